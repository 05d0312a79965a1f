#pragma once

#include <QByteArray>
#include <QImage>

// The bytes of an uncompressed 24-bit Windows bitmap of the image, marked as 96 dots per inch.
// Written by hand rather than by QImage, whose BMP writer chooses the depth and resolution itself.
QByteArray bmpFile(const QImage& image);
