#pragma once

#include <chrono>
#include <cstdint>

// No progress for this long is a stall: the sound is abandoned rather than hold the keypad.
constexpr std::chrono::milliseconds stallLimit{400};

// One open connection to a sound device or server, for one sample format. Every call returns within
// a bound; after a failure, said once, it is done with and the next sound opens another.
class SoundConnection {
public:
    virtual ~SoundConnection() = default;

    // Queues frames, waiting only while well ahead of the listener. False: failed, or stopped.
    virtual bool write(const std::int16_t* samples, long frames) = 0;

    // Returns once everything written has been played. False: failed, or stopped.
    virtual bool drain() = 0;

    // After a failed write: the server left while idle, unreported; a fresh connection may play it.
    virtual bool wentAway() const { return false; }
};
