#pragma once

#include <QList>
#include <QString>

#include <span>
#include <utility>

// One part of a version record: the fixed version numbers, a string table or the translations.
struct VersionRecordPart {
    QString name;
    QList<std::pair<QString, QString>> entries;

    // The value of a key, or "" when the part has no such key.
    QString value(const QString& key) const;
};

// The version record compiled into the program file.
std::span<const char> programVersionRecord();

// Splits a record into its parts; a truncated record yields the parts that are complete.
QList<VersionRecordPart> readVersionRecord(std::span<const char> bytes);
