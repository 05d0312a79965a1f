#include "output/sound/pulse_connection.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <optional>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A local server answers within milliseconds; one that takes longer is paused or hung.
constexpr auto connectLimit = 500ms;

// Held by the server ahead of what is heard: a whole tone, so a busy machine cannot split one.
constexpr auto aheadOfListener = 1s;

// The sink's latency, so a key's tone is heard within about this long of the click.
constexpr auto requestEvery = 10ms;

// A sound goes to the server once this much of it is in hand, or once all of it is: a pause of
// the writer on a busy machine then falls in what the server already holds, not in the middle of
// a tone. (Asking the server to wait does not do: PipeWire starts a stream whatever its prebuf.)
constexpr auto startWith = 250ms;

// The longest single step of waiting, so that stop() is noticed at once.
constexpr auto pollStep = 10ms;

// Rounds of taking in what the server sent during an idle spell: ample for its few messages, and
// a bound, so that a server that never stops sending cannot hold the sound up.
constexpr int idleMessageRounds = 64;

std::uint32_t bytesFor(PcmFormat format, std::chrono::microseconds duration) {
    const auto frames = std::int64_t(format.sampleRate) * duration.count() / 1000000;
    return static_cast<std::uint32_t>(frames * format.channels * 2);
}

} // namespace

SoundConnection::Outcome PulseConnection::open() {
    loop_ = pa_mainloop_new();
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, "quorvel");
    if (loop_ != nullptr)
        context_ = pa_context_new_with_proplist(pa_mainloop_get_api(loop_), "Quorvel", properties);
    pa_proplist_free(properties);
    // No shared memory for libpulse (an address-space limit); ALSA's route would fail the same.
    if (context_ == nullptr)
        return fail("no memory for the sound server's buffers (is the address space limited, as "
                    "by ulimit -v?); key tones and speech are silent");
    // Never start a server of our own: with none running, the sound device is used directly.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return Outcome::noServer;

    const Wait connected = runUntil(
        [this] { return pa_context_get_state(context_) == PA_CONTEXT_READY; }, connectLimit);
    if (connected == Wait::stopped)
        return Outcome::failed;
    if (connected == Wait::timedOut)
        return fail("the sound server does not answer; key tones and speech are silent until it "
                    "does");
    if (connected == Wait::gone) {
        const int error = pa_context_errno(context_);
        if (error == PA_ERR_CONNECTIONREFUSED || error == PA_ERR_INVALIDSERVER ||
            error == PA_ERR_NOENTITY || error == PA_ERR_ACCESS)
            return Outcome::noServer;
        return fail(std::string("cannot reach the sound server (") + pa_strerror(error) + ")");
    }

    // Early requests run the sink at `requestEvery`; the target length still holds a whole tone.
    // A format beyond libpulse's limits (wider than any clip's) is refused here, with its reason.
    const pa_sample_spec sampleFormat{PA_SAMPLE_S16LE, std::uint32_t(format_.sampleRate),
                                      std::uint8_t(format_.channels)};
    const pa_buffer_attr attributes{std::uint32_t(-1), bytesFor(format_, aheadOfListener),
                                    bytesFor(format_, requestEvery),
                                    bytesFor(format_, requestEvery), std::uint32_t(-1)};
    stream_ = pa_stream_new(context_, "Quorvel", &sampleFormat, nullptr);
    if (stream_ == nullptr ||
        pa_stream_connect_playback(stream_, nullptr, &attributes, PA_STREAM_EARLY_REQUESTS, nullptr,
                                   nullptr) < 0)
        return fail(std::string("the sound server refused a stream (") +
                    pa_strerror(pa_context_errno(context_)) + ")");
    const Wait ready =
        runUntil([this] { return pa_stream_get_state(stream_) == PA_STREAM_READY; }, connectLimit);
    if (ready != Wait::done)
        return failWith(ready);
    return Outcome::done;
}

PulseConnection::~PulseConnection() {
    // Disconnecting never waits for the server; whatever it still holds of ours is dropped.
    if (stream_ != nullptr) {
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
    }
    if (context_ != nullptr) {
        pa_context_disconnect(context_);
        pa_context_unref(context_);
    }
    if (loop_ != nullptr)
        pa_mainloop_free(loop_);
}

SoundConnection::Outcome PulseConnection::write(const std::int16_t* samples, long frames) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(samples);
    const std::size_t size = std::size_t(frames) * std::size_t(format_.channels) * 2;
    if (!written_) {
        // The server may have restarted since the last sound: its hang-up, heard (perhaps behind
        // older messages) before writing, lets a fresh connection play this one.
        for (int round = 0; round < idleMessageRounds; ++round) {
            if (pa_mainloop_iterate(loop_, 0, nullptr) <= 0)
                break;
        }
        if (gone())
            return Outcome::wentAway;
        written_ = true;
        started_ = false;
    }
    if (started_)
        return send(bytes, size);
    unsent_.insert(unsent_.end(), bytes, bytes + size);
    return unsent_.size() < bytesFor(format_, startWith) ? Outcome::done : sendUnsent();
}

SoundConnection::Outcome PulseConnection::sendUnsent() {
    started_ = true;
    const Outcome sent = send(unsent_.data(), unsent_.size());
    unsent_.clear();
    return sent;
}

SoundConnection::Outcome PulseConnection::send(const std::uint8_t* bytes, std::size_t left) {
    while (left > 0) {
        // A playing server asks for more every few milliseconds: silence this long is a stall.
        const Wait room =
            runUntil([this] { return pa_stream_writable_size(stream_) > 0; }, stallLimit);
        if (room != Wait::done)
            return failWith(room);
        const std::size_t now = std::min(pa_stream_writable_size(stream_), left);
        if (pa_stream_write(stream_, bytes, now, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return failWith(Wait::gone);
        bytes += now;
        left -= now;
        pa_mainloop_iterate(loop_, 0, nullptr); // to the socket now, not at the next wait
    }
    return Outcome::done;
}

SoundConnection::Outcome PulseConnection::drain() {
    if (!written_)
        return Outcome::done;
    written_ = false;
    if (!started_) { // all of this sound is in hand
        const Outcome sent = sendUnsent();
        if (sent != Outcome::done)
            return sent;
    }
    std::optional<bool> drained; // the server's answer: played out, or could not
    pa_operation* operation = pa_stream_drain(
        stream_,
        [](pa_stream*, int success, void* answer) {
            *static_cast<std::optional<bool>*>(answer) = success != 0;
        },
        &drained);
    if (operation == nullptr)
        return failWith(Wait::gone);
    // What is queued plays within the target length; longer than that plus a grace is a stall.
    const Wait wait =
        runUntil([&drained] { return drained.has_value(); }, aheadOfListener + stallLimit);
    if (wait != Wait::done)
        pa_operation_cancel(operation);
    pa_operation_unref(operation);
    if (wait != Wait::done)
        return failWith(wait);
    if (!*drained) // the server no longer plays our stream
        return failWith(Wait::gone);
    return Outcome::done;
}

template <typename Done>
PulseConnection::Wait PulseConnection::runUntil(Done done, Clock::duration limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        if (stopped_)
            return Wait::stopped;
        if (gone())
            return Wait::gone;
        if (done())
            return Wait::done;
        const auto now = Clock::now();
        if (now >= deadline)
            return Wait::timedOut;
        const auto step = std::chrono::duration_cast<std::chrono::microseconds>(
            std::min<Clock::duration>(deadline - now, pollStep));
        if (pa_mainloop_prepare(loop_, int(step.count())) < 0 || pa_mainloop_poll(loop_) < 0 ||
            pa_mainloop_dispatch(loop_) < 0)
            return Wait::gone;
    }
}

// Whether the server, or our stream on it, has failed or ended; still connecting is neither.
bool PulseConnection::gone() const {
    switch (pa_context_get_state(context_)) {
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        return true;
    case PA_CONTEXT_READY:
        return stream_ != nullptr && !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_));
    default:
        return false;
    }
}

// The one way out of a wait that did not end well, and of a call the server refused.
SoundConnection::Outcome PulseConnection::failWith(Wait wait) {
    if (wait == Wait::stopped)
        return Outcome::failed; // nothing to say: the program is ending
    if (wait == Wait::timedOut)
        return fail(stalled);
    if (pa_context_get_state(context_) != PA_CONTEXT_READY)
        return fail("the sound server went away; key tones and speech are silent until it is back");
    return fail(std::string("the sound server dropped our stream (") +
                pa_strerror(pa_context_errno(context_)) + ")");
}
