#include "output/sound/clip_path.h"

#include <QDir>

#include <bit>
#include <filesystem>
#include <system_error>

QString applicationDirectory() {
    static const QString directory = [] {
        std::error_code error;
        const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
        return error ? QDir::currentPath() : decodePath(executable.parent_path().native());
    }();
    return directory;
}

QString ClipPath(const QString& fileName) {
    return applicationDirectory() + QDir::separator() + fileName;
}

QString decodePath(const std::string& bytes) {
    QString text;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = lead < 0x80 ? 1 : std::size_t(std::countl_one(lead));
        const QByteArray piece = QByteArray::fromStdString(bytes.substr(i, length));
        const QString decoded = QString::fromUtf8(piece);
        // Valid UTF-8 only if it comes back as the same bytes (not replaced, nor a BOM dropped).
        const bool valid = decoded.toUtf8() == piece;
        text += valid ? decoded : QString(QChar(char16_t(0xdc00 + lead)));
        i += valid ? length : 1;
    }
    return text;
}

std::string encodePath(const QString& path) {
    std::string bytes;
    qsizetype run = 0; // where the text not yet encoded starts
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path[i].unicode();
        if (unit >= 0xdc80 && unit <= 0xdcff && (i == 0 || !path[i - 1].isHighSurrogate())) {
            bytes += path.sliced(run, i - run).toUtf8().toStdString();
            bytes.push_back(static_cast<char>(unit - 0xdc00));
            run = i + 1;
        }
    }
    return bytes + path.sliced(run).toUtf8().toStdString();
}
