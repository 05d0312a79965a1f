#pragma once

#include "windows/held_input.h"

#include <QAbstractButton>

#include <functional>

// Runs an event handler so that nothing it throws reaches Qt, which cannot unwind through its
// event loop: the error is reported with the handler's name, and the program ends with status 1.
void runHandler(const char* name, const std::function<void()>& handler) noexcept;

// Binds a button's Click to its window's handler, run as above under "<button>_Click", in turn.
template <typename Window>
void connectClick(QAbstractButton* button, Window* window, void (Window::*handler)()) {
    QObject::connect(button, &QAbstractButton::clicked, window,
                     [window, handler, name = button->objectName().toLatin1() + "_Click"] {
                         pressInTurn(window, [window, handler, name] {
                             runHandler(name.constData(),
                                        [window, handler] { (window->*handler)(); });
                         });
                     });
}
