#pragma once

#include <functional>

class QObject;

// While one of these is alive, the user's input to the windows (mouse, keys, wheel, touch,
// tablet) is held back, then handed on in the order it came, each event handled to its end before
// the next; later input queues behind it. Painting, timers and close requests go through as usual.
class HeldInput {
public:
    HeldInput();
    ~HeldInput();
    HeldInput(const HeldInput&) = delete;
    HeldInput& operator=(const HeldInput&) = delete;
};

// Runs a button's press (from the pointer, a key, an accessibility action or a program) at once,
// holding input meanwhile, when nothing is held; otherwise queues it behind the held input, to be
// dropped if `receiver` is gone by its turn. So presses run in order, never one inside another.
void pressInTurn(QObject* receiver, std::function<void()> press);
