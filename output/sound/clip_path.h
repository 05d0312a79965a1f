#pragma once

#include <QString>

// The directory that holds the running program, resolved from the executable itself so that it
// does not depend on the working directory.
QString applicationDirectory();

// Full path of a clip that lies beside the program, e.g. ClipPath("5.wav").
QString ClipPath(const QString& fileName);
