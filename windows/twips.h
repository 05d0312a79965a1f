#pragma once

#include <QRect>

// Window layouts are drawn in twips, fifteen to a pixel on a 96 dots-per-inch screen.
constexpr int twipsPerPixel = 15;

constexpr QRect twips(int left, int top, int width, int height) {
    return QRect(left / twipsPerPixel, top / twipsPerPixel, width / twipsPerPixel,
                 height / twipsPerPixel);
}
