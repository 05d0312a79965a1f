#pragma once

#include <cstddef>
#include <string_view>

// A version record is a run of parts: each part is its name followed by key and value pairs,
// every string ended by a NUL, and closes with an empty key. Only closed parts count, so a record
// cut short loses its last part instead of yielding half of it. Everything here is constexpr, so
// that the build itself refuses a record the program could not read.

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
        std::string_view found;
        bool inPart = name == part, seen = false;
        for (;;) {
            if (!take(entryKey))
                return {};
            if (entryKey.empty())
                break;
            if (!take(entryValue))
                return {};
            if (inPart && entryKey == key && !seen) {
                found = entryValue;
                seen = true;
            }
        }
        if (seen)
            return found;
    }
    return {};
}

// Whether TEXT is four numbers joined by dots, each fitting the record's 16-bit fields.
constexpr bool isFourPartVersion(std::string_view text) {
    int numbers = 0;
    long value = -1; // -1: no digit yet in the current number
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : '.'; // the end closes the last number
        if (c == '.') {
            if (value < 0)
                return false;
            ++numbers;
            value = -1;
        } else if (c >= '0' && c <= '9') {
            value = (value < 0 ? 0 : value * 10) + (c - '0');
            if (value > 0xffff)
                return false;
        } else {
            return false;
        }
    }
    return numbers == 4;
}

// What the program shows of its record: the version numbers, the product name and the copyright.
constexpr bool isCompleteVersionRecord(std::string_view record) {
    return isFourPartVersion(versionRecordValue(record, "VS_FIXEDFILEINFO", "FileVersion")) &&
           !versionRecordValue(record, "040904B0", "ProductName").empty() &&
           !versionRecordValue(record, "040904B0", "LegalCopyright").empty();
}

// The version record compiled into the program file.
std::string_view programVersionRecord();
