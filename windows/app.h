#pragma once

#include <QString>

// What the program knows about itself: where it lives, and what its version record says.
struct AppRecord {
    QString Path;
    int Major = 0;
    int Minor = 0;
    int Revision = 0;
    QString ProductName;
    QString LegalCopyright;
};

// The running program's record, read once from the version record compiled into it.
const AppRecord& App();

// "Version: " and the three numbers in plain decimal, e.g. "Version: 1.1.114".
QString VersionLine(const AppRecord& app);
