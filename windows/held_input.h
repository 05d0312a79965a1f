#pragma once

#include <functional>

class QObject;

// While at least one of these is alive, the user's input to the windows (mouse, keys, wheel,
// touch, tablet) is held back; once the last one ends, the held input is handed on, one event
// after another, each handled to its end before the next, in the order it came. Everything else
// goes through as usual: painting, timers, and a request to close a window. Input that arrives
// while held input is still waiting its turn queues behind it.
class HeldInput {
public:
    HeldInput();
    ~HeldInput();
    HeldInput(const HeldInput&) = delete;
    HeldInput& operator=(const HeldInput&) = delete;
};

// Handles a press of a button (whatever made it: the pointer, a key, an accessibility action, a
// program) one at a time, in the order presses were made: at once when nothing is held, holding
// input while it runs; otherwise queued behind the held input, and dropped if `receiver` has
// gone by its turn. So no press ever starts inside another.
void pressInTurn(QObject* receiver, std::function<void()> press);
