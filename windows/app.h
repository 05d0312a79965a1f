#pragma once

#include <QString>

// What the program shows of itself, as its version record says.
struct AppRecord {
    int Major;
    int Minor;
    int Revision;
    const char* ProductName;
    const char* LegalCopyright; // UTF-8
};

extern const AppRecord App; // made by the build beside the version record, from the same values

// e.g. "Version: 1.1.114", in plain decimal.
inline QString VersionLine(const AppRecord& app) {
    return QStringLiteral("Version: %1.%2.%3").arg(app.Major).arg(app.Minor).arg(app.Revision);
}
