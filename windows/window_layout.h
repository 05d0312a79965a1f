#pragma once

#include <QFont>
#include <QRect>
#include <QWidget>

#include <utility>

// Window layouts are drawn in twips, fifteen to a pixel on a 96 dots-per-inch screen.
constexpr QRect twips(int left, int top, int width, int height) {
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

// The font of every control that sets none of its own. The layouts place each control to the
// pixel, so the captions must not grow with the desktop's font settings.
inline QFont windowFont() {
    return QFont(QStringLiteral("DejaVu Sans"), 9);
}

// A control made where the layout puts it, under the name the program knows it by.
template <typename Control, typename... Arguments>
Control* place(QWidget* container, const char* name, QRect where, Arguments&&... arguments) {
    auto* control = new Control(std::forward<Arguments>(arguments)..., container);
    control->setObjectName(name);
    control->setGeometry(where);
    return control;
}
