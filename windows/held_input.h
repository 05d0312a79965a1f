#pragma once

#include <functional>

class QObject;

// While one is alive, user input to the windows is held back, then handed on in order, each event
// handled to its end before the next. Painting, timers and close requests go through as usual.
class HeldInput {
public:
    HeldInput();
    ~HeldInput();
    HeldInput(const HeldInput&) = delete;
    HeldInput& operator=(const HeldInput&) = delete;
};

// Call as the first window is made, before the event loop runs. Input is then held after any
// filter Qt installs later, as the screen readers' bridge is: it takes each typed key for a round
// trip to the reader and hands back a copy, which is thus held in the order typed.
void holdInputAfterLaterFilters();

// Runs a button's press at once, holding input, when nothing is held; otherwise queues it behind
// the held input, dropped if `receiver` is gone by then. So presses never run one inside another.
void pressInTurn(QObject* receiver, std::function<void()> press);
