#include "output/sound/alsa_connection.h"

#include "output/bounded_calls.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

// A sound starts once the buffer is full, or at its drain: a whole tone's length, so a pause of the
// writer on a busy machine falls in what the device holds, not in the middle of a tone. Stopping
// drops what it holds, so this costs no delay in ending.
constexpr unsigned int bufferMicroseconds = 250000;

// Frames per bounded write: stop() is noticed between them.
constexpr long chunkFrames = 1024;

// Opening may load plugins that reach out to a server.
constexpr auto openLimit = 1500ms;
constexpr auto closeLimit = 1s;
constexpr auto closeLimitWhenStopped = 100ms;

// ALSA's own messages (an underrun at every sound's end) would fill the user's terminal.
void ignoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

} // namespace

// What the device thread works on: everything a call left behind may still touch.
struct AlsaConnection::Device {
    snd_pcm_t* pcm = nullptr;
    std::vector<std::int16_t> chunk; // the samples of the write in hand
    std::chrono::milliseconds buffer{0};
    int error = 0; // of the last call

    ~Device() {
        if (pcm != nullptr)
            snd_pcm_close(pcm);
    }
};

AlsaConnection::AlsaConnection(PcmFormat format, BoundedCalls& calls,
                               const std::atomic<bool>& stopped)
    : SoundConnection(format, stopped), calls_(calls), device_(std::make_shared<Device>()) {}

SoundConnection::Outcome AlsaConnection::open() {
    snd_lib_error_set_handler(ignoreAlsaMessage);
    const bool returned = calls_.run(
        [device = device_, format = format_] {
            device->error = snd_pcm_open(&device->pcm, "default", SND_PCM_STREAM_PLAYBACK, 0);
            if (device->error < 0) {
                device->pcm = nullptr;
                return;
            }
            device->error = snd_pcm_set_params(
                device->pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED,
                unsigned(format.channels), unsigned(format.sampleRate), 1, bufferMicroseconds);
            snd_pcm_uframes_t buffer = 0, period = 0;
            if (device->error == 0 && snd_pcm_get_params(device->pcm, &buffer, &period) == 0)
                device->buffer =
                    std::chrono::milliseconds(1000 * buffer / unsigned(format.sampleRate));
        },
        openLimit);
    if (!returned)
        return fail("the sound device does not open; that sound was abandoned");
    if (device_->error == 0)
        return Outcome::done;
    const std::string why = snd_strerror(device_->error);
    if (device_->pcm != nullptr)
        return fail("the sound device refuses " + std::to_string(format_.channels) +
                    " channel(s) at " + std::to_string(format_.sampleRate) + " Hz (" + why + ")");
    if (device_->error == -EBUSY)
        return fail("the sound device is busy (" + why + "); that sound was abandoned");
    return fail("no sound output device found (" + why + "); key tones and speech are silent");
}

AlsaConnection::~AlsaConnection() {
    // Closed on the calls' thread, so that a close that blocks holds nobody up. After a call left
    // behind, this only lets go: that call closes the device if it returns.
    calls_.run([device = std::move(device_)]() mutable { device.reset(); },
               stopped_ ? closeLimitWhenStopped : closeLimit);
}

SoundConnection::Outcome AlsaConnection::write(const std::int16_t* samples, long frames) {
    const int channels = format_.channels;
    while (frames > 0) {
        const long now = std::min(frames, chunkFrames);
        device_->chunk.assign(samples, samples + now * channels);
        const Outcome written = run(
            [device = device_, now, channels] {
                const std::int16_t* from = device->chunk.data();
                for (long left = now; left > 0;) {
                    snd_pcm_sframes_t wrote =
                        snd_pcm_writei(device->pcm, from, snd_pcm_uframes_t(left));
                    // Ran dry (a busy machine) or suspended: carry on where it stopped.
                    if (wrote < 0 && (wrote = snd_pcm_recover(device->pcm, int(wrote), 1)) < 0) {
                        device->error = int(wrote);
                        return;
                    }
                    from += wrote * channels;
                    left -= wrote;
                }
            },
            stallLimit + std::chrono::milliseconds(1000 * now / format_.sampleRate));
        if (written != Outcome::done)
            return written;
        samples += now * channels;
        frames -= now;
    }
    return Outcome::done;
}

SoundConnection::Outcome AlsaConnection::drain() {
    // What the device holds plays out within its buffer's length.
    return run(
        [device = device_] {
            snd_pcm_drain(device->pcm); // fails only when there was nothing left to play
            device->error = snd_pcm_prepare(device->pcm); // ready for the next sound
        },
        stallLimit + device_->buffer);
}

template <typename Call>
SoundConnection::Outcome AlsaConnection::run(Call call, std::chrono::milliseconds bound) {
    if (stopped_)
        return Outcome::failed;
    device_->error = 0;
    if (!calls_.run(std::move(call), bound))
        return fail(stalled);
    if (device_->error != 0)
        return fail(std::string("sound output failed (") + snd_strerror(device_->error) + ")");
    return Outcome::done;
}
