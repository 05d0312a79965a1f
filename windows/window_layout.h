#pragma once

#include <QFont>
#include <QRect>

// Window layouts are drawn in twips, fifteen to a pixel on a 96 dots-per-inch screen.
constexpr QRect twips(int left, int top, int width, int height) {
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

// The font of every control that sets none of its own. The layouts place each control to the
// pixel, so the captions must not grow with the desktop's font settings.
inline QFont windowFont() {
    return QFont(QStringLiteral("DejaVu Sans"), 9);
}
