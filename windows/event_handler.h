#pragma once

#include "windows/held_input.h"

#include <QAbstractButton>

// Binds a button's Click to its window's handler, which runs in turn with the user's other input.
template <typename Window>
void connectClick(QAbstractButton* button, Window* window, void (Window::*handler)()) {
    QObject::connect(button, &QAbstractButton::clicked, window, [window, handler] {
        pressInTurn(window, [window, handler] { (window->*handler)(); });
    });
}
