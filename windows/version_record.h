#pragma once

#include <optional>
#include <string_view>

// A version record is a run of parts, each its name, then key and value pairs, then an empty key,
// every string ended by a NUL. A record cut short loses its last part rather than yield half of
// it. All constexpr, so the build refuses a record the program cannot read.

// The value of KEY in the part named PART, or an empty view when no closed part holds it.
constexpr std::string_view versionRecordValue(std::string_view record, std::string_view part,
                                              std::string_view key) {
    // Takes the next NUL-ended string off the front of the record; false when none is left whole.
    const auto take = [&record](std::string_view& string) {
        const auto end = record.find('\0');
        if (end == std::string_view::npos)
            return false;
        string = record.substr(0, end);
        record.remove_prefix(end + 1);
        return true;
    };
    std::string_view name, entryKey, entryValue;
    while (take(name)) {
        std::optional<std::string_view> found;
        for (;;) {
            if (!take(entryKey))
                return {};
            if (entryKey.empty())
                break;
            if (!take(entryValue))
                return {};
            if (name == part && entryKey == key && !found)
                found = entryValue;
        }
        if (found)
            return *found;
    }
    return {};
}

// Whether TEXT is four numbers joined by dots, each fitting the record's 16-bit fields.
constexpr bool isFourPartVersion(std::string_view text) {
    for (int numbers = 1;; ++numbers) {
        const auto dot = text.find('.');
        const std::string_view digits = text.substr(0, dot);
        if (digits.empty())
            return false;
        long value = 0;
        for (const char c : digits) {
            value = value * 10 + (c - '0');
            if (c < '0' || c > '9' || value > 0xffff)
                return false;
        }
        if (dot == std::string_view::npos)
            return numbers == 4;
        text.remove_prefix(dot + 1);
    }
}

// What the program shows of its record: the version numbers, the product name and the copyright.
constexpr bool isCompleteVersionRecord(std::string_view record) {
    return isFourPartVersion(versionRecordValue(record, "VS_FIXEDFILEINFO", "FileVersion")) &&
           !versionRecordValue(record, "040904B0", "ProductName").empty() &&
           !versionRecordValue(record, "040904B0", "LegalCopyright").empty();
}

std::string_view programVersionRecord();
