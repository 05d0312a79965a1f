#include "output/sound/clip_path.h"

#include <QDir>
#include <QFile>

#include <filesystem>
#include <system_error>

QString applicationDirectory() {
    // Computed once: the executable does not move while it runs.
    static const QString directory = [] {
        std::error_code error;
        const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
        if (error)
            return QDir::currentPath();
        return QFile::decodeName(QByteArray::fromStdString(executable.parent_path().string()));
    }();
    return directory;
}

QString ClipPath(const QString& fileName) {
    return applicationDirectory() + QDir::separator() + fileName;
}
