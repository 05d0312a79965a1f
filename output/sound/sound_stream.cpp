#include "output/sound/sound_stream.h"

#include "output/sound/alsa_connection.h"
#include "output/sound/pulse_connection.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The ALSA device thread writes a tone in time even on a busy machine: real-time scheduling
// where the system grants it, otherwise a raised priority, otherwise as it is.
void raiseDeviceThreadPriority() {
    sched_param parameter{};
    parameter.sched_priority = 5;
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &parameter) == 0)
        return;
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), -10);
}

} // namespace

SoundStream::SoundStream(std::chrono::milliseconds releaseAfterIdle)
    : deviceCalls_(raiseDeviceThreadPriority), releaseAfterIdle_(releaseAfterIdle) {}

SoundStream::~SoundStream() {
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    idleChanged_.notify_all();
    // The releaser never waits on the device beyond the connection's own short bounds.
    if (releaser_.joinable())
        releaser_.join();
    const std::lock_guard lock(mutex_);
    closeLocked();
}

bool SoundStream::write(PcmFormat format, const std::int16_t* samples, long frames) {
    const std::lock_guard lock(mutex_);
    releaseAt_ = std::chrono::steady_clock::time_point::max();
    if (stopped_)
        return false;
    if (connection_ != nullptr && format_ != format) {
        connection_->drain();
        closeLocked();
    }
    for (bool again = false;; again = true) {
        if (connection_ == nullptr && !openLocked(format))
            return false;
        if (connection_->write(samples, frames))
            return true;
        // Stalled, gone or stopped: this connection is finished with. One the server dropped
        // while it sat idle (a restart) is made again once, and plays this same sound.
        const bool reconnect = !again && connection_->wentAway();
        closeLocked();
        if (!reconnect)
            return false;
    }
}

void SoundStream::drain() {
    const std::lock_guard lock(mutex_);
    if (connection_ == nullptr)
        return;
    if (!connection_->drain()) {
        closeLocked();
        return;
    }
    releaseAt_ = std::chrono::steady_clock::now() + releaseAfterIdle_;
    if (!releaser_.joinable())
        releaser_ = std::thread([this] { releaseWhenIdle(); });
    idleChanged_.notify_all();
}

void SoundStream::stop() {
    stopped_ = true;
    deviceCalls_.abandon();
    {
        // Orders the flag with the releaser's check, so its wake-up cannot be lost. A write or
        // drain in progress sees the flag within milliseconds and lets go of the lock.
        const std::lock_guard lock(mutex_);
    }
    idleChanged_.notify_all();
}

bool SoundStream::isOpen() const {
    const std::lock_guard lock(mutex_);
    return connection_ != nullptr;
}

bool SoundStream::openLocked(PcmFormat format) {
    PulseConnection::Failure failure = PulseConnection::Failure::none;
    connection_ = PulseConnection::open(format, stopped_, failure);
    if (connection_ == nullptr && failure == PulseConnection::Failure::noServer)
        connection_ = AlsaConnection::open(format, deviceCalls_, stopped_);
    format_ = format;
    return connection_ != nullptr;
}

void SoundStream::closeLocked() {
    connection_.reset();
    releaseAt_ = std::chrono::steady_clock::time_point::max();
}

void SoundStream::releaseWhenIdle() {
    std::unique_lock lock(mutex_);
    while (!ending_) {
        if ((stopped_ && connection_ != nullptr) || std::chrono::steady_clock::now() >= releaseAt_)
            closeLocked();
        if (releaseAt_ == std::chrono::steady_clock::time_point::max())
            idleChanged_.wait(lock);
        else
            idleChanged_.wait_until(lock, releaseAt_);
    }
}
