#include "windows/version_record.h"

#include <algorithm>

QString VersionRecordPart::value(const QString& key) const {
    for (const auto& [entryKey, entryValue] : entries)
        if (entryKey == key)
            return entryValue;
    return QString();
}

QList<VersionRecordPart> readVersionRecord(std::span<const char> bytes) {
    // Every string of the record ends with a NUL; cut them apart first.
    QList<QString> strings;
    auto start = bytes.begin();
    while (start != bytes.end()) {
        const auto end = std::find(start, bytes.end(), '\0');
        if (end == bytes.end())
            break; // an unterminated tail is not a string of the record
        strings.append(QString::fromUtf8(&*start, end - start));
        start = end + 1;
    }

    QList<VersionRecordPart> parts;
    qsizetype i = 0;
    while (i < strings.size()) {
        VersionRecordPart part{strings[i++], {}};
        bool closed = false;
        while (i < strings.size()) {
            const QString key = strings[i++];
            if (key.isEmpty()) {
                closed = true;
                break;
            }
            if (i == strings.size())
                break;
            part.entries.append({key, strings[i++]});
        }
        if (!closed)
            break;
        parts.append(part);
    }
    return parts;
}
