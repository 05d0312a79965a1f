#include "output/sound/sound_stream.h"

#include "output/sound/portaudio_output.h"
#include "output/sound/pulse_connection.h"

SoundStream::SoundStream(std::chrono::milliseconds releaseAfterIdle, SoundStarted started)
    : started_(std::move(started)), releaseAfterIdle_(releaseAfterIdle),
      releaser_([this] { releaseWhenIdle(); }) {}

SoundStream::~SoundStream() {
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    idleChanged_.notify_all();
    // The releaser never waits on the device beyond the output's own short bounds.
    releaser_.join();
    const std::lock_guard lock(mutex_);
    closeLocked();
}

bool SoundStream::write(PcmFormat format, const std::int16_t* samples, long frames) {
    const std::lock_guard lock(mutex_);
    releaseAt_ = std::chrono::steady_clock::time_point::max();
    if (stopped_)
        return false;
    if (output_ != nullptr && format_ != format) {
        output_->drain();
        closeLocked();
    }
    if (output_ == nullptr && !openLocked(format))
        return false;
    if (output_->write(samples, frames))
        return true;
    // Stalled, gone or stopped: this stream is finished with; the next sound opens another.
    closeLocked();
    return false;
}

void SoundStream::drain() {
    const std::lock_guard lock(mutex_);
    if (output_ == nullptr)
        return;
    if (!output_->drain()) {
        closeLocked();
        return;
    }
    releaseAt_ = std::chrono::steady_clock::now() + releaseAfterIdle_;
    idleChanged_.notify_all();
}

void SoundStream::stop() {
    stopped_ = true;
    {
        // Orders the flag with the releaser's check, so its wake-up cannot be lost. A write or
        // drain in progress sees the flag within milliseconds and lets go of the lock.
        const std::lock_guard lock(mutex_);
    }
    idleChanged_.notify_all();
}

bool SoundStream::isOpen() const {
    const std::lock_guard lock(mutex_);
    return output_ != nullptr;
}

bool SoundStream::openLocked(PcmFormat format) {
    PulseConnection::Failure failure = PulseConnection::Failure::none;
    output_ = PulseConnection::open(format, stopped_, started_, failure);
    if (output_ == nullptr && failure == PulseConnection::Failure::noServer)
        output_ = std::make_unique<PortAudioOutput>(format, stopped_, started_);
    format_ = format;
    return output_ != nullptr;
}

void SoundStream::closeLocked() {
    output_.reset();
    releaseAt_ = std::chrono::steady_clock::time_point::max();
}

void SoundStream::releaseWhenIdle() {
    std::unique_lock lock(mutex_);
    while (!ending_) {
        if ((stopped_ && output_ != nullptr) || std::chrono::steady_clock::now() >= releaseAt_)
            closeLocked();
        if (releaseAt_ == std::chrono::steady_clock::time_point::max())
            idleChanged_.wait(lock);
        else
            idleChanged_.wait_until(lock, releaseAt_);
    }
}
