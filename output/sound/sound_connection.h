#pragma once

#include <chrono>
#include <cstdint>

// No progress for this long means the device or sound server has stopped taking sound: the
// sound is abandoned rather than holding the keypad.
constexpr std::chrono::milliseconds stallLimit{400};

// One open connection to a sound device or server, for one sample format. Whatever the device
// does (stall, vanish, refuse), every call returns within a bound and says why it failed, once,
// on standard error. A connection that has failed once is of no further use: drop it and open
// another when the next sound comes.
class SoundConnection {
public:
    virtual ~SoundConnection() = default;

    // Queues interleaved 16-bit frames behind those already written. Waits only while the
    // connection is well ahead of what has been heard. False: failed, or the stream was stopped.
    virtual bool write(const std::int16_t* samples, long frames) = 0;

    // Returns once everything written so far has been played. False: failed, or stopped.
    virtual bool drain() = 0;

    // After a failed write: the server had gone away while the connection sat idle, before any
    // of the new sound was taken, and nothing was said. A fresh connection may play that sound.
    virtual bool wentAway() const { return false; }
};
