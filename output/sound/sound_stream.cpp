#include "output/sound/sound_stream.h"

#include "output/sound/alsa_connection.h"
#include "output/sound/pulse_connection.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// So the ALSA device thread writes a tone in time on a busy machine.
void raiseDeviceThreadPriority() {
    const sched_param parameter{.sched_priority = 5};
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &parameter) != 0)
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -10);
}

} // namespace

SoundStream::SoundStream(std::chrono::milliseconds releaseAfterIdle)
    : deviceCalls_(raiseDeviceThreadPriority), releaseAfterIdle_(releaseAfterIdle) {}

bool SoundStream::write(PcmFormat format, const std::int16_t* samples, long frames) {
    const std::lock_guard lock(mutex_);
    releaseAt_.reset();
    if (stopped_)
        return false;
    if (connection_ != nullptr && format_ != format) {
        connection_->drain();
        connection_.reset();
    }
    format_ = format;
    for (bool again = false;; again = true) {
        if (connection_ == nullptr) {
            auto failure = PulseConnection::Failure::none;
            connection_ = PulseConnection::open(format, stopped_, failure);
            if (connection_ == nullptr && failure == PulseConnection::Failure::noServer)
                connection_ = AlsaConnection::open(format, deviceCalls_, stopped_);
            if (connection_ == nullptr)
                return false;
        }
        if (connection_->write(samples, frames))
            return true;
        // Done with; one the server dropped while idle (a restart) is reopened once for this sound.
        const bool reconnect = !again && connection_->wentAway();
        connection_.reset();
        if (!reconnect)
            return false;
    }
}

void SoundStream::drain() {
    const std::lock_guard lock(mutex_);
    if (connection_ != nullptr && !connection_->drain())
        connection_.reset();
    if (connection_ == nullptr)
        return;
    releaseAt_ = std::chrono::steady_clock::now() + releaseAfterIdle_;
    if (!releaser_.joinable())
        releaser_ = std::jthread([this](std::stop_token ending) { releaseWhenIdle(ending); });
    idleChanged_.notify_all();
}

void SoundStream::stop() {
    stopped_ = true;
    deviceCalls_.abandon();
    const std::lock_guard lock(mutex_); // orders the flag with the releaser's wait: no lost wake-up
    idleChanged_.notify_all();
}

bool SoundStream::isOpen() const {
    const std::lock_guard lock(mutex_);
    return connection_ != nullptr;
}

void SoundStream::releaseWhenIdle(std::stop_token ending) {
    std::unique_lock lock(mutex_);
    while (!ending.stop_requested()) {
        if ((stopped_ && connection_ != nullptr) ||
            (releaseAt_ && std::chrono::steady_clock::now() >= *releaseAt_)) {
            connection_.reset();
            releaseAt_.reset();
        }
        const auto changed = [this, at = releaseAt_] {
            return releaseAt_ != at || (stopped_ && connection_ != nullptr);
        };
        if (releaseAt_)
            idleChanged_.wait_until(lock, ending, *releaseAt_, changed);
        else
            idleChanged_.wait(lock, ending, changed);
    }
}
