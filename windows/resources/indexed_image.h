#pragma once

#include <QImage>
#include <QRgb>

#include <cstdint>
#include <vector>

// A square palette picture with one-bit transparency: what a classic icon image holds.
struct IndexedImage {
    int size;
    int bitsPerPixel;
    std::vector<QRgb> palette;         // exactly 1 << bitsPerPixel entries
    std::vector<std::uint8_t> indices; // row by row from the top
    std::vector<bool> transparent;     // row by row from the top

    QImage toImage() const {
        QImage image(size, size, QImage::Format_ARGB32);
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * size + x;
                image.setPixel(x, y, transparent[i] ? qRgba(0, 0, 0, 0) : palette[indices[i]]);
            }
        }
        return image;
    }
};
