#include "output/audio_stream.h"

#include "output/portaudio_library.h"
#include "output/quiet_standard_error.h"
#include "output/report_once.h"

#include <portaudio.h>

#include <algorithm>
#include <vector>

namespace {

// Frames handed to PortAudio per call: small enough that stop() is noticed within a few
// milliseconds, large enough to cost nothing.
constexpr long chunkFrames = 256;

// Seconds of sound buffered ahead. Below about 15 ms a desktop sound server lets the device run
// dry now and then, which would put gaps into a dial; above it a key's tone starts later.
constexpr double minimumLatency = 0.015;

PaStream* asStream(void* stream) {
    return static_cast<PaStream*>(stream);
}

} // namespace

AudioStream::AudioStream(std::chrono::milliseconds releaseAfterIdle)
    : releaseAfterIdle_(releaseAfterIdle), releaser_([this] { releaseWhenIdle(); }) {}

AudioStream::~AudioStream() {
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    idleChanged_.notify_all();
    releaser_.join();
    const std::lock_guard lock(mutex_);
    closeLocked();
}

bool AudioStream::write(PcmFormat format, const std::int16_t* samples, long frames) {
    const std::lock_guard lock(mutex_);
    releaseAt_ = std::chrono::steady_clock::time_point::max();
    if (stopped_)
        return false;
    if (stream_ != nullptr && format_ != format) {
        drainLocked();
        closeLocked();
    }
    if (stream_ == nullptr && !openLocked(format))
        return false;
    if (!running_ && !startLocked())
        return false;

    while (frames > 0) {
        if (stopped_) {
            closeLocked();
            return false;
        }
        const long now = std::min(frames, chunkFrames);
        const PaError error = Pa_WriteStream(asStream(stream_), samples, now);
        // An underflow only says the device ran dry before this write; the sound still plays.
        if (error != paNoError && error != paOutputUnderflowed) {
            reportOnce(std::string("sound output failed (") + Pa_GetErrorText(error) + ")");
            closeLocked();
            return false;
        }
        if (framesSinceStart_ == 0)
            lastHandOverAfterPause_ = std::chrono::steady_clock::now();
        samples += now * format.channels;
        frames -= now;
        framesSinceStart_ += now;
    }
    return true;
}

void AudioStream::drain() {
    const std::lock_guard lock(mutex_);
    drainLocked();
    if (running_) {
        // The buffer is empty now, so stopping loses nothing and the device does not run dry.
        Pa_StopStream(asStream(stream_));
        running_ = false;
    }
    if (stream_ != nullptr) {
        releaseAt_ = std::chrono::steady_clock::now() + releaseAfterIdle_;
        idleChanged_.notify_all();
    }
}

void AudioStream::stop() {
    stopped_ = true;
    idleChanged_.notify_all();
}

bool AudioStream::isOpen() const {
    const std::lock_guard lock(mutex_);
    return stream_ != nullptr;
}

std::chrono::steady_clock::time_point AudioStream::lastHandOverAfterPause() const {
    const std::lock_guard lock(mutex_);
    return lastHandOverAfterPause_;
}

std::chrono::duration<double> AudioStream::bufferDuration() const {
    const std::lock_guard lock(mutex_);
    return std::chrono::duration<double>(
        format_.sampleRate > 0 ? double(emptyBufferFrames_) / format_.sampleRate : 0.0);
}

bool AudioStream::openLocked(PcmFormat format) {
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
    PaStream* stream = nullptr;
    PaError error;
    {
        const QuietStandardError quiet;
        error = Pa_OpenStream(&stream, nullptr, &parameters, format.sampleRate,
                              paFramesPerBufferUnspecified, paClipOff, nullptr, nullptr);
    }
    if (error != paNoError) {
        reportOnce("the sound device cannot play " + std::to_string(format.channels) +
                   " channel(s) at " + std::to_string(format.sampleRate) + " Hz (" +
                   Pa_GetErrorText(error) + ")");
        return false;
    }
    stream_ = stream;
    format_ = format;
    running_ = false;
    return true;
}

bool AudioStream::startLocked() {
    const PaError error = Pa_StartStream(asStream(stream_));
    if (error != paNoError) {
        reportOnce(std::string("cannot start sound output (") + Pa_GetErrorText(error) + ")");
        closeLocked();
        return false;
    }
    running_ = true;
    // PortAudio's reported latency understates the real buffer; the writable space of the
    // freshly started stream is the whole buffer, which drain() waits to see again.
    emptyBufferFrames_ = Pa_GetStreamWriteAvailable(asStream(stream_));
    framesSinceStart_ = 0;
    return true;
}

void AudioStream::drainLocked() {
    if (!running_)
        return;
    // The device starts consuming only once enough frames are queued; a sound shorter than the
    // buffer would never be heard, so top it up with silence.
    if (framesSinceStart_ < emptyBufferFrames_) {
        const long missing = emptyBufferFrames_ - framesSinceStart_;
        const std::vector<std::int16_t> silence(static_cast<size_t>(missing * format_.channels), 0);
        Pa_WriteStream(asStream(stream_), silence.data(), missing);
        framesSinceStart_ = emptyBufferFrames_;
    }
    // Stopping the stream early would drop what is still buffered, so wait until the buffer has
    // emptied. Bounded, in case a device stops consuming.
    const auto bufferTime =
        std::chrono::milliseconds(1000 * emptyBufferFrames_ / std::max(1, format_.sampleRate));
    const auto giveUpAt = std::chrono::steady_clock::now() + bufferTime + std::chrono::seconds(1);
    while (!stopped_ && Pa_GetStreamWriteAvailable(asStream(stream_)) < emptyBufferFrames_ &&
           std::chrono::steady_clock::now() < giveUpAt)
        Pa_Sleep(1);
}

void AudioStream::closeLocked() {
    if (stream_ == nullptr)
        return;
    // Whatever was wanted has been drained already; aborting skips PortAudio's own waiting.
    if (running_)
        Pa_AbortStream(asStream(stream_));
    Pa_CloseStream(asStream(stream_));
    stream_ = nullptr;
    running_ = false;
    releaseAt_ = std::chrono::steady_clock::time_point::max();
}

void AudioStream::releaseWhenIdle() {
    std::unique_lock lock(mutex_);
    while (!ending_) {
        if ((stopped_ && stream_ != nullptr) || std::chrono::steady_clock::now() >= releaseAt_)
            closeLocked();
        if (releaseAt_ == std::chrono::steady_clock::time_point::max())
            idleChanged_.wait(lock);
        else
            idleChanged_.wait_until(lock, releaseAt_);
    }
}
