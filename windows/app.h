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

const AppRecord& App(); // read once from the version record compiled into the program

QString VersionLine(const AppRecord& app); // e.g. "Version: 1.1.114", in plain decimal
