#pragma once

#include "output/sound/pcm_format.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

// No progress for this long is a stall: the sound is abandoned rather than hold the keypad.
constexpr std::chrono::milliseconds stallLimit{400};
inline constexpr char stalled[] = "the sound device stopped taking sound; that sound was abandoned";

// One connection to a sound device or server, for one sample format. Every call returns within a
// bound, and at once after `stopped` is set; after a failure it is done with, its owner says why
// (once), and the next sound opens another.
class SoundConnection {
public:
    // How a call came out. A failure may have nothing to say: the sound was stopped.
    enum class Outcome {
        done,
        failed,
        noServer, // opening: no sound server runs here, so the device itself may play
        wentAway, // writing: the server left while idle (a restart); a fresh connection may play
    };

    SoundConnection(PcmFormat format, const std::atomic<bool>& stopped)
        : format_(format), stopped_(stopped) {}
    virtual ~SoundConnection() = default;

    virtual Outcome open() = 0;

    // Queues frames, waiting only while well ahead of the listener.
    virtual Outcome write(const std::int16_t* samples, long frames) = 0;

    // Returns once everything written has been played.
    virtual Outcome drain() = 0;

    PcmFormat format() const { return format_; }

    // After a failure: why, in words for the user; empty when there is nothing to say.
    const std::string& fault() const { return fault_; }

protected:
    const PcmFormat format_;
    const std::atomic<bool>& stopped_;

    Outcome fail(std::string fault) {
        fault_ = std::move(fault);
        return Outcome::failed;
    }

private:
    std::string fault_;
};
