#pragma once

#include <QString>

#include <string>

// The directory of the running program's executable, whatever the working directory.
QString applicationDirectory();

QString ClipPath(const QString& fileName); // beside the program, e.g. ClipPath("5.wav")

// File names are bytes, not always UTF-8 (an archive from another system, say): a byte outside
// UTF-8 travels in the QString as the lone surrogate U+DC80 + byte, and comes back as itself.
QString decodePath(const std::string& bytes);
std::string encodePath(const QString& path);
