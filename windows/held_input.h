#pragma once

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
