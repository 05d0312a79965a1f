#pragma once

#include <chrono>
#include <cstdint>

// No progress for this long means the device or sound server has stopped taking sound: the
// sound is abandoned rather than holding the keypad.
constexpr std::chrono::milliseconds stallLimit{400};

// One open connection to a sound device or server, for one sample format. Every call returns
// within a bound; a failure is said once on standard error, and the connection is then of no
// further use: the next sound opens another.
class SoundConnection {
public:
    virtual ~SoundConnection() = default;

    // Queues interleaved 16-bit frames behind those already written, waiting only while well
    // ahead of the listener. False: failed, or the stream was stopped.
    virtual bool write(const std::int16_t* samples, long frames) = 0;

    // Returns once everything written has been played. False: failed, or stopped.
    virtual bool drain() = 0;

    // After a failed write: the server had gone while the connection sat idle, before any of the
    // new sound was taken, and nothing was said. A fresh connection may play that sound.
    virtual bool wentAway() const { return false; }
};
