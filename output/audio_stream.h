#pragma once

#include "output/pcm_format.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

// One output stream on the default sound device, opened on first use and kept open while sounds
// follow one another, so back-to-back writes are sample-contiguous. It is paused once a sound has
// been heard to its end (so the device never runs dry and nothing spins while idle) and released
// after an idle spell, so an idle program holds no device. Used from one thread at a time, except
// stop().
class AudioStream {
public:
    explicit AudioStream(std::chrono::milliseconds releaseAfterIdle = std::chrono::seconds(2));
    ~AudioStream();
    AudioStream(const AudioStream&) = delete;
    AudioStream& operator=(const AudioStream&) = delete;

    // Plays interleaved frames, blocking while the device buffer is full. Opens the stream for
    // this format, or, when the open stream has another format, lets it finish and reopens it.
    // Returns false when nothing could be played: no device, a device failure, or stop().
    bool write(PcmFormat format, const std::int16_t* samples, long frames);

    // Waits until everything written so far has been heard, then pauses the stream.
    void drain();

    // From any thread: cuts the sound short at once; the write or drain in progress returns and
    // every later call returns at once.
    void stop();
    bool stopped() const { return stopped_; }

    // Whether the stream currently holds the device.
    bool isOpen() const;

    // For measuring latency: when the first frames after a pause were handed to the device, and
    // how long the device buffer is (the longest those frames wait before they are heard).
    std::chrono::steady_clock::time_point lastHandOverAfterPause() const;
    std::chrono::duration<double> bufferDuration() const;

private:
    bool openLocked(PcmFormat format);
    bool startLocked();
    void drainLocked();
    void closeLocked();
    void releaseWhenIdle();

    mutable std::mutex mutex_;
    void* stream_ = nullptr; // PaStream
    PcmFormat format_;
    bool running_ = false;
    long emptyBufferFrames_ = 0; // writable frames of the started, empty stream
    long framesSinceStart_ = 0;
    std::chrono::steady_clock::time_point lastHandOverAfterPause_;
    std::atomic<bool> stopped_{false};

    const std::chrono::milliseconds releaseAfterIdle_;
    std::condition_variable idleChanged_;
    std::chrono::steady_clock::time_point releaseAt_ = std::chrono::steady_clock::time_point::max();
    bool ending_ = false;
    std::thread releaser_;
};
