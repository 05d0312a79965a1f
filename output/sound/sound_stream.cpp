#include "output/sound/sound_stream.h"

#include "output/report.h"
#include "output/sound/alsa_connection.h"
#include "output/sound/pulse_connection.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

using Outcome = SoundConnection::Outcome;

SoundStream::SoundStream(std::chrono::milliseconds releaseAfterIdle)
    : deviceCalls_([] {
          // So the ALSA device thread writes a tone in time on a busy machine.
          const sched_param parameter{.sched_priority = 5};
          if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &parameter) != 0)
              setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -10);
      }),
      releaseAfterIdle_(releaseAfterIdle) {}

bool SoundStream::write(PcmFormat format, const std::int16_t* samples, long frames) {
    const std::lock_guard lock(mutex_);
    releaseAt_ = never;
    if (stopped_)
        return false;
    if (connection_ != nullptr && connection_->format() != format) {
        kept(connection_->drain()); // the other format's sound is heard to its end first
        connection_.reset();
    }
    if (connection_ == nullptr && !kept(open(format)))
        return false;
    Outcome wrote = connection_->write(samples, frames);
    // A server that left while idle (a restart) may be back: this sound tries a fresh connection.
    if (wrote == Outcome::wentAway) {
        if (!kept(open(format)))
            return false;
        wrote = connection_->write(samples, frames);
    }
    return kept(wrote);
}

void SoundStream::drain() {
    const std::lock_guard lock(mutex_);
    if (connection_ == nullptr || !kept(connection_->drain()))
        return;
    releaseAt_ = std::chrono::steady_clock::now() + releaseAfterIdle_;
    if (!releaser_.joinable())
        releaser_ = std::jthread([this](std::stop_token ending) { releaseWhenIdle(ending); });
    idleChanged_.notify_all();
}

Outcome SoundStream::open(PcmFormat format) {
    connection_ = std::make_unique<PulseConnection>(format, stopped_);
    const Outcome opened = connection_->open();
    if (opened != Outcome::noServer)
        return opened;
    connection_ = std::make_unique<AlsaConnection>(format, deviceCalls_, stopped_);
    return connection_->open();
}

// Whether the connection goes on after a call; if not, it is let go, with its fault said once
// unless the sound was stopped.
bool SoundStream::kept(Outcome outcome) {
    if (outcome == Outcome::done)
        return true;
    if (!stopped_ && !connection_->fault().empty())
        reportOnce(connection_->fault());
    connection_.reset();
    return false;
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
            std::chrono::steady_clock::now() >= releaseAt_) {
            connection_.reset();
            releaseAt_ = never;
        }
        idleChanged_.wait_until(lock, ending, releaseAt_, [this, at = releaseAt_] {
            return releaseAt_ != at || (stopped_ && connection_ != nullptr);
        });
    }
}
