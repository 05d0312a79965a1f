#pragma once

#include <QFont>
#include <QRect>
#include <QWidget>

#include <utility>

// Window layouts are drawn in twips, fifteen to a pixel on a 96 dots-per-inch screen.
constexpr QRect twips(int left, int top, int width, int height) {
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

// Every control's font: layouts are placed to the pixel, so captions must not follow the desktop's.
inline QFont windowFont() {
    return QFont(QStringLiteral("DejaVu Sans"), 9);
}

template <typename Control, typename... Arguments>
Control* place(QWidget* container, const char* name, QRect where, Arguments&&... arguments) {
    auto* control = new Control(std::forward<Arguments>(arguments)..., container);
    control->setObjectName(name);
    control->setGeometry(where);
    return control;
}
