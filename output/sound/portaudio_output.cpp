#include "output/sound/portaudio_output.h"

#include "output/report.h"
#include "output/sound/portaudio_library.h"

#include <portaudio.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Frames handed to PortAudio per call: small enough that leaving is noticed within a few
// milliseconds, large enough to cost nothing.
constexpr long chunkFrames = 256;

// Seconds of sound buffered in the device. Below about 15 ms a desktop sound server behind ALSA
// lets the device run dry now and then; above it a key's tone starts later.
constexpr double minimumLatency = 0.015;

// How far the caller may run ahead of the device: a whole key tone, and a good stretch of a dial.
constexpr auto queueAhead = 500ms;

// Opening may first start PortAudio, which scans every device.
constexpr auto openLimit = 1500ms;

// A device thread is given this long to close its device when the stream is let go, and much
// less when the program is ending.
constexpr auto closeLimit = 1s;
constexpr auto closeLimitWhenStopped = 100ms;

// The device thread writes a tone in time even on a busy machine: real-time scheduling where the
// system grants it, otherwise a raised priority, otherwise as it is.
void raiseDeviceThreadPriority() {
    sched_param parameter{};
    parameter.sched_priority = 5;
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &parameter) == 0)
        return;
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), -10);
}

std::string openFailure(PaError error, PcmFormat format) {
    switch (error) {
    case paInvalidChannelCount:
    case paInvalidSampleRate:
    case paSampleFormatNotSupported:
        return "the sound device refuses " + std::to_string(format.channels) + " channel(s) at " +
               std::to_string(format.sampleRate) + " Hz (" + Pa_GetErrorText(error) + ")";
    default:
        return std::string("the sound device is gone or busy (") + Pa_GetErrorText(error) + ")";
    }
}

} // namespace

// A fixed ring of samples between the caller and the device thread: allocated once, so a long
// clip streams through it without any allocation per write.
class SampleRing {
public:
    explicit SampleRing(std::size_t capacity) : samples_(capacity) {}

    std::size_t size() const { return size_; }
    std::size_t room() const { return samples_.size() - size_; }
    bool empty() const { return size_ == 0; }

    // Adds as many of `count` samples as there is room for; returns how many.
    std::size_t put(const std::int16_t* from, std::size_t count) {
        count = std::min(count, room());
        for (std::size_t i = 0; i < count; ++i)
            samples_[(first_ + size_ + i) % samples_.size()] = from[i];
        size_ += count;
        return count;
    }

    // Moves up to `count` of the oldest samples into `to`; returns how many.
    std::size_t take(std::int16_t* to, std::size_t count) {
        count = std::min(count, size_);
        for (std::size_t i = 0; i < count; ++i)
            to[i] = samples_[(first_ + i) % samples_.size()];
        first_ = (first_ + count) % samples_.size();
        size_ -= count;
        return count;
    }

private:
    std::vector<std::int16_t> samples_;
    std::size_t first_ = 0;
    std::size_t size_ = 0;
};

struct PortAudioOutput::Shared {
    enum class State { opening, open, failed, closed };

    explicit Shared(PcmFormat format)
        : format(format), queue(std::size_t(format.sampleRate) * std::size_t(format.channels) *
                                std::size_t(queueAhead.count()) / 1000) {}

    const PcmFormat format;
    std::mutex mutex;
    std::condition_variable changed;
    State state = State::opening;
    SampleRing queue; // samples waiting for the device
    bool drainWanted = false;
    unsigned long drains = 0;        // drains finished
    unsigned long long progress = 0; // frames the device has taken
    SoundStarted started;            // told when the first sample after a pause is handed over
    double bufferSeconds = 0;
    bool leaving = false; // the owner has let go

    // Runs on the device thread; everything it touches lives in this object.
    void run();

private:
    bool openDevice(PaStream*& stream, long& emptyBuffer);
    void drainDevice(PaStream* stream, long emptyBuffer, long sincePause);
};

void PortAudioOutput::Shared::run() {
    raiseDeviceThreadPriority();
    PaStream* stream = nullptr;
    long emptyBuffer = 0;
    const bool opened = openDevice(stream, emptyBuffer);
    std::unique_lock lock(mutex);
    state = opened ? State::open : State::failed;
    changed.notify_all();
    if (!opened)
        return;

    bool running = true;
    long sincePause = 0; // frames written since the stream was last started
    std::vector<std::int16_t> chunk(chunkFrames * std::size_t(format.channels));
    while (true) {
        changed.wait(lock, [this] { return leaving || !queue.empty() || drainWanted; });
        if (leaving)
            break;
        if (!queue.empty()) {
            const long frames =
                static_cast<long>(queue.take(chunk.data(), chunk.size())) / format.channels;
            lock.unlock();
            PaError error = paNoError;
            if (!running) {
                error = Pa_StartStream(stream);
                running = error == paNoError;
                sincePause = 0;
            }
            if (error == paNoError)
                error = Pa_WriteStream(stream, chunk.data(), frames);
            const auto handedOver = Clock::now();
            lock.lock();
            // An underflow only says the device ran dry before this write; the sound still plays.
            if (error != paNoError && error != paOutputUnderflowed) {
                reportOnce(std::string("sound output failed (") + Pa_GetErrorText(error) + ")");
                state = State::failed;
                changed.notify_all();
                break;
            }
            // Told from here, under the lock, and only while the owner holds on: once it has let
            // go, whatever the callback reaches may be gone.
            if (sincePause == 0 && started && !leaving)
                started(handedOver + std::chrono::duration_cast<Clock::duration>(
                                         std::chrono::duration<double>(bufferSeconds)));
            sincePause += frames;
            progress += static_cast<unsigned long long>(frames);
            changed.notify_all();
        } else if (drainWanted) {
            lock.unlock();
            if (running) {
                drainDevice(stream, emptyBuffer, sincePause);
                // The buffer has played out, so stopping loses nothing and the device does not
                // run dry while idle.
                Pa_StopStream(stream);
                running = false;
            }
            lock.lock();
            drainWanted = false;
            ++drains;
            changed.notify_all();
        }
    }
    lock.unlock();
    if (running)
        Pa_AbortStream(stream);
    Pa_CloseStream(stream);
    lock.lock();
    if (state != State::failed)
        state = State::closed;
    changed.notify_all();
}

bool PortAudioOutput::Shared::openDevice(PaStream*& stream, long& emptyBuffer) {
    if (!portAudioReady())
        return false;
    const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
    if (device == paNoDevice) {
        reportOnce("no sound output device found; key tones and speech are silent");
        return false;
    }
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    const PaStreamParameters parameters{
        device, format.channels, paInt16,
        std::max(minimumLatency, info != nullptr ? info->defaultLowOutputLatency : 0.0), nullptr};
    PaError error = Pa_OpenStream(&stream, nullptr, &parameters, format.sampleRate,
                                  paFramesPerBufferUnspecified, paClipOff, nullptr, nullptr);
    if (error != paNoError) {
        reportOnce(openFailure(error, format));
        return false;
    }
    error = Pa_StartStream(stream);
    if (error != paNoError) {
        reportOnce(std::string("cannot start sound output (") + Pa_GetErrorText(error) + ")");
        Pa_CloseStream(stream);
        return false;
    }
    // PortAudio's reported latency understates the real buffer; the writable space of the
    // freshly started stream is the whole buffer.
    emptyBuffer = Pa_GetStreamWriteAvailable(stream);
    const std::lock_guard lock(mutex);
    bufferSeconds = double(emptyBuffer) / format.sampleRate;
    return true;
}

void PortAudioOutput::Shared::drainDevice(PaStream* stream, long emptyBuffer, long sincePause) {
    // The device starts consuming only once enough frames are queued; a sound shorter than the
    // buffer would never be heard, so top it up with silence.
    if (sincePause < emptyBuffer) {
        const long missing = emptyBuffer - sincePause;
        const std::vector<std::int16_t> silence(std::size_t(missing * format.channels), 0);
        Pa_WriteStream(stream, silence.data(), missing);
    }
    // Stopping the stream early would drop what is still buffered, so wait until the buffer has
    // emptied, for at most twice its length: behind some ALSA plugins the free space never
    // climbs all the way back.
    const auto giveUpAt = Clock::now() +
                          std::chrono::duration_cast<Clock::duration>(
                              std::chrono::duration<double>(2 * bufferSeconds)) +
                          20ms;
    while (Pa_GetStreamWriteAvailable(stream) < emptyBuffer && Clock::now() < giveUpAt) {
        {
            const std::lock_guard lock(mutex);
            if (leaving)
                return;
        }
        Pa_Sleep(1);
    }
}

PortAudioOutput::PortAudioOutput(PcmFormat format, const std::atomic<bool>& stopped,
                                 SoundStarted started)
    : stopped_(stopped), shared_(std::make_shared<Shared>(format)) {
    shared_->started = std::move(started);
    std::thread([shared = shared_] { shared->run(); }).detach();
}

PortAudioOutput::~PortAudioOutput() {
    std::unique_lock lock(shared_->mutex);
    shared_->leaving = true;
    shared_->changed.notify_all();
    // A clean close completes what the device has taken (a capture file, say); a program that is
    // ending waits only briefly, and nobody waits for a device that has stalled.
    if (!failed_)
        shared_->changed.wait_for(lock, stopped_ ? closeLimitWhenStopped : closeLimit, [this] {
            return shared_->state == Shared::State::closed ||
                   shared_->state == Shared::State::failed;
        });
}

bool PortAudioOutput::write(const std::int16_t* samples, long frames) {
    std::size_t left = std::size_t(frames) * std::size_t(shared_->format.channels);
    while (!failed_) {
        {
            const std::lock_guard lock(shared_->mutex);
            const std::size_t put = shared_->queue.put(samples, left);
            samples += put;
            left -= put;
            shared_->changed.notify_all();
        }
        if (left == 0)
            return true;
        // The queue holds all it may; wait for the device to take some.
        if (!waitWithProgress([this] { return shared_->queue.room() > 0; }, 0ms))
            return false;
    }
    return false;
}

bool PortAudioOutput::drain() {
    if (failed_)
        return false;
    std::unique_lock lock(shared_->mutex);
    const unsigned long wanted = shared_->drains + 1;
    shared_->drainWanted = true;
    shared_->changed.notify_all();
    const auto buffer = std::chrono::milliseconds(long(2000 * shared_->bufferSeconds) + 20);
    lock.unlock();
    return waitWithProgress([this, wanted] { return shared_->drains >= wanted; }, buffer);
}

// Waits until `done`, as long as the device keeps taking sound: no progress for stallLimit (plus
// `slack` once the queue is empty, while the device plays out its buffer) abandons the stream.
template <typename Done>
bool PortAudioOutput::waitWithProgress(Done done, std::chrono::milliseconds slack) {
    std::unique_lock lock(shared_->mutex);
    auto lastProgress = shared_->progress;
    auto lastState = shared_->state;
    auto progressAt = Clock::now();
    while (true) {
        if (stopped_)
            return false;
        if (shared_->state == Shared::State::failed) {
            failed_ = true;
            return false;
        }
        if (done())
            return true;
        const auto now = Clock::now();
        if (shared_->progress != lastProgress || shared_->state != lastState) {
            lastProgress = shared_->progress;
            lastState = shared_->state;
            progressAt = now;
        }
        const auto limit = shared_->state == Shared::State::opening
                               ? std::chrono::milliseconds(openLimit)
                               : stallLimit + (shared_->queue.empty() ? slack : 0ms);
        if (now - progressAt > limit) {
            reportOnce(shared_->state == Shared::State::opening
                           ? "the sound device does not open; that sound was abandoned"
                           : "the sound device stopped taking sound; that sound was abandoned");
            failed_ = true;
            return false;
        }
        shared_->changed.wait_for(lock, 10ms);
    }
}
