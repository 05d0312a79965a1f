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
    std::unique_lock lock(mutex_);
    releaseAt_ = std::chrono::steady_clock::time_point::max();
    if (stopped_)
        return false;
    if (stream_ != nullptr && format_ != format) {
        drainLocked();
        closeLocked();
    }
    if (stream_ == nullptr && !openLocked(format))
        return false;

    while (frames > 0) {
        if (stopped_) {
            Pa_AbortStream(asStream(stream_));
            closeLocked();
            return false;
        }
        const long now = std::min(frames, chunkFrames);
        const PaError error = Pa_WriteStream(asStream(stream_), samples, now);
        // An underflow only says the device ran dry before this write (after an idle moment).
        if (error != paNoError && error != paOutputUnderflowed) {
            reportOnce(std::string("sound output failed (") + Pa_GetErrorText(error) + ")");
            closeLocked();
            return false;
        }
        samples += now * format.channels;
        frames -= now;
        framesSinceOpen_ += now;
    }
    return true;
}

void AudioStream::drain() {
    std::unique_lock lock(mutex_);
    drainLocked();
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

bool AudioStream::openLocked(PcmFormat format) {
    if (!portAudioReady())
        return false;
    const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
    if (device == paNoDevice) {
        reportOnce("no sound output device found; key tones and speech are silent");
        return false;
    }
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    const PaStreamParameters parameters{device, format.channels, paInt16,
                                        info != nullptr ? info->defaultLowOutputLatency : 0.02,
                                        nullptr};
    PaStream* stream = nullptr;
    PaError error;
    {
        const QuietStandardError quiet;
        error = Pa_OpenStream(&stream, nullptr, &parameters, format.sampleRate,
                              paFramesPerBufferUnspecified, paClipOff, nullptr, nullptr);
        if (error == paNoError) {
            error = Pa_StartStream(stream);
            if (error != paNoError)
                Pa_CloseStream(stream);
        }
    }
    if (error != paNoError) {
        reportOnce("the sound device cannot play " + std::to_string(format.channels) +
                   " channel(s) at " + std::to_string(format.sampleRate) + " Hz (" +
                   Pa_GetErrorText(error) + ")");
        return false;
    }
    stream_ = stream;
    format_ = format;
    // PortAudio's reported latency understates the real buffer; the writable space of the
    // freshly started stream is the whole buffer, which drain() waits to see again.
    emptyBufferFrames_ = Pa_GetStreamWriteAvailable(stream);
    framesSinceOpen_ = 0;
    return true;
}

void AudioStream::drainLocked() {
    if (stream_ == nullptr)
        return;
    // The device starts consuming only once some frames are queued; a clip shorter than that
    // would never be heard, so top it up with silence.
    if (framesSinceOpen_ < emptyBufferFrames_) {
        const std::vector<std::int16_t> silence(
            static_cast<size_t>((emptyBufferFrames_ - framesSinceOpen_) * format_.channels), 0);
        Pa_WriteStream(asStream(stream_), silence.data(), emptyBufferFrames_ - framesSinceOpen_);
        framesSinceOpen_ = emptyBufferFrames_;
    }
    // Stopping the stream would drop what is still buffered, so wait until the buffer has
    // emptied. Bounded, in case a device stops consuming.
    const auto bufferTime =
        std::chrono::milliseconds(1000 * emptyBufferFrames_ / format_.sampleRate);
    const auto giveUpAt = std::chrono::steady_clock::now() + bufferTime + std::chrono::seconds(1);
    while (!stopped_ && Pa_GetStreamWriteAvailable(asStream(stream_)) < emptyBufferFrames_ &&
           std::chrono::steady_clock::now() < giveUpAt)
        Pa_Sleep(1);
}

void AudioStream::closeLocked() {
    if (stream_ == nullptr)
        return;
    // Everything wanted has been drained already; aborting skips PortAudio's own waiting.
    Pa_AbortStream(asStream(stream_));
    Pa_CloseStream(asStream(stream_));
    stream_ = nullptr;
    releaseAt_ = std::chrono::steady_clock::time_point::max();
}

void AudioStream::releaseWhenIdle() {
    std::unique_lock lock(mutex_);
    while (!ending_) {
        if (stopped_ && stream_ != nullptr)
            closeLocked();
        if (std::chrono::steady_clock::now() >= releaseAt_)
            closeLocked();
        if (releaseAt_ == std::chrono::steady_clock::time_point::max())
            idleChanged_.wait(lock);
        else
            idleChanged_.wait_until(lock, releaseAt_);
    }
}
