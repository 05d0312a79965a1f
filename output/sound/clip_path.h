#pragma once

#include <QString>

#include <string>

// The directory that holds the running program, resolved from the executable itself so that it
// does not depend on the working directory.
QString applicationDirectory();

// Full path of a clip that lies beside the program, e.g. ClipPath("5.wav").
QString ClipPath(const QString& fileName);

// A file name is bytes, which need not be UTF-8 (a folder unpacked from an archive made on
// another system, say). These keep every byte: a byte that is not part of UTF-8 is carried in
// the QString as the lone surrogate U+DC80 + byte, and turned back into itself on the way out.
QString decodePath(const std::string& bytes);
std::string encodePath(const QString& path);
