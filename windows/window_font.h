#pragma once

#include <QFont>

// The font every control of the two windows uses unless it sets its own. The layouts place each
// control to the pixel, so the captions must not grow with the desktop's font settings.
inline QFont windowFont() {
    return QFont(QStringLiteral("DejaVu Sans"), 9);
}
