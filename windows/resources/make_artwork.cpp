// Writes the program's artwork into the directory given as the only argument: the window icon,
// the About picture and the desktop icons, all drawn from the sources beside this file.

#include "windows/resources/about_picture.h"
#include "windows/resources/bmp_file.h"
#include "windows/resources/canvas.h"
#include "windows/resources/ico_file.h"
#include "windows/resources/icon_pixels.h"
#include "windows/resources/keypad_motif.h"
#include "windows/resources/svg_file.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <stdexcept>

namespace {

void writeFile(const QDir& root, const QString& name, const QByteArray& bytes) {
    const QString path = root.filePath(name);
    QFile file(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly) ||
        file.write(bytes) != bytes.size() || !file.flush())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QByteArray png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw std::runtime_error("cannot encode a PNG image");
    return bytes;
}

QImage drawnIcon(int size) {
    Canvas canvas(size, size, qRgba(0, 0, 0, 0));
    drawMotif(canvas, QTransform::fromScale(size / motifSize, size / motifSize));
    return canvas.image();
}

QString desktopIcon(const QString& sizeFolder, const char* extension) {
    return QString("hicolor/%1/apps/quorvel.%2").arg(sizeFolder, extension);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_artwork OUTPUT-DIRECTORY\n");
        return 2;
    }
    // Everything is drawn in memory; building the artwork must not need a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QDir root(QString::fromLocal8Bit(argv[1]));
    try {
        writeFile(
            root, "quorvel.ico",
            icoFile({iconPixels(16, 4), iconPixels(16, 8), iconPixels(32, 4), iconPixels(32, 8)}));
        writeFile(root, "about.bmp", bmpFile(aboutPicture()));
        // Below 48 pixels the hand-drawn icon is sharper than any drawing of the outlines.
        for (int size : {16, 32})
            writeFile(root, desktopIcon(QString("%1x%1").arg(size), "png"),
                      png(iconPixels(size, 8).toImage()));
        for (int size : {48, 256})
            writeFile(root, desktopIcon(QString("%1x%1").arg(size), "png"), png(drawnIcon(size)));
        writeFile(root, desktopIcon("scalable", "svg"), motifSvg());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_artwork: %s\n", error.what());
        return 1;
    }
    return 0;
}
