#pragma once

#include "output/bounded_calls.h"
#include "output/sound/pcm_format.h"
#include "output/sound/sound_connection.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

// One output stream, on the desktop's sound server or else the default ALSA device, kept open while
// sounds follow one another (so they are sample-contiguous) and released after an idle spell. A
// fault abandons it, said once. Used from one thread at a time, except stop().
class SoundStream {
public:
    explicit SoundStream(std::chrono::milliseconds releaseAfterIdle = std::chrono::seconds(2));

    // Plays frames, reopening the stream for another format. False: no device, a fault, or stop().
    bool write(PcmFormat format, const std::int16_t* samples, long frames);

    void drain(); // waits until everything written so far has been heard

    // From any thread: cuts the sound short; this and every later call returns at once.
    void stop();
    bool stopped() const { return stopped_; }

    bool isOpen() const;

private:
    SoundConnection::Outcome open(PcmFormat format);
    bool kept(SoundConnection::Outcome outcome);
    void releaseWhenIdle(std::stop_token ending);

    std::atomic<bool> stopped_{false};
    BoundedCalls deviceCalls_; // the ALSA device's blocking calls; outlives connection_
    mutable std::mutex mutex_;
    std::unique_ptr<SoundConnection> connection_;

    const std::chrono::milliseconds releaseAfterIdle_;
    std::condition_variable_any idleChanged_;
    static constexpr auto never = std::chrono::steady_clock::time_point::max();
    std::chrono::steady_clock::time_point releaseAt_ = never; // never while in use
    // Joined first on destruction: it waits on the device only within the connection's bounds.
    std::jthread releaser_;
};
