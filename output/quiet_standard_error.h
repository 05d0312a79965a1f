#pragma once

// While alive, standard error goes to /dev/null. Probing the sound back ends (ALSA, JACK) prints
// dozens of lines about devices that do not exist; the program reports what matters itself.
// Only for the short calls that probe devices.
class QuietStandardError {
public:
    QuietStandardError();
    ~QuietStandardError();
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved_ = -1;
};
