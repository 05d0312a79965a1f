#pragma once

// Whether the environment names somewhere to show windows: an X display, a Wayland display or a
// Qt platform of its own choosing.
bool graphicalSessionNamed();

// While alive, turns Qt's abort on a display it cannot open into one clear line on standard
// error and an ordinary exit with status 1. Only for the construction of the application.
class DisplayOpeningGuard {
public:
    DisplayOpeningGuard();
    ~DisplayOpeningGuard();
    DisplayOpeningGuard(const DisplayOpeningGuard&) = delete;
    DisplayOpeningGuard& operator=(const DisplayOpeningGuard&) = delete;
};
