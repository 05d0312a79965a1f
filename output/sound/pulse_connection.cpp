#include "output/sound/pulse_connection.h"

#include "output/report.h"

#include <pulse/pulseaudio.h>

#include <algorithm>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A local server answers within milliseconds; one that takes longer is paused or hung.
constexpr auto connectLimit = 500ms;

// Held by the server ahead of what is heard: a whole tone, so a busy machine cannot split one.
constexpr auto aheadOfListener = 1s;

// The sink's latency, so a key's tone is heard within about this long of the click.
constexpr auto requestEvery = 10ms;

// The longest single step of waiting, so that stop() is noticed at once.
constexpr auto pollStep = 10ms;

PulseConnection::Failure failedSaying(const std::string& line) {
    reportOnce(line);
    return PulseConnection::Failure::failed;
}

std::uint32_t bytesFor(PcmFormat format, std::chrono::microseconds duration) {
    const auto frames = std::int64_t(format.sampleRate) * duration.count() / 1000000;
    return static_cast<std::uint32_t>(frames * format.channels * 2);
}

} // namespace

std::unique_ptr<PulseConnection>
PulseConnection::open(PcmFormat format, const std::atomic<bool>& stopped, Failure& failure) {
    std::unique_ptr<PulseConnection> output(new PulseConnection(format, stopped));
    failure = output->connect();
    return failure == Failure::none ? std::move(output) : nullptr;
}

PulseConnection::Failure PulseConnection::connect() {
    loop_ = pa_mainloop_new();
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, "quorvel");
    if (loop_ != nullptr)
        context_ = pa_context_new_with_proplist(pa_mainloop_get_api(loop_), "Quorvel", properties);
    pa_proplist_free(properties);
    // No shared memory for libpulse (an address-space limit); ALSA's route would fail the same.
    if (context_ == nullptr)
        return failedSaying("no memory for the sound server's buffers (is the address space "
                            "limited, as by ulimit -v?); key tones and speech are silent");
    // Never start a server of our own: with none running, the sound device is used directly.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return Failure::noServer;

    const Wait connected = runUntil(
        [this] { return pa_context_get_state(context_) == PA_CONTEXT_READY; }, connectLimit);
    if (connected == Wait::stopped)
        return Failure::failed;
    if (connected == Wait::broken) {
        const int error = pa_context_errno(context_);
        if (error == PA_ERR_CONNECTIONREFUSED || error == PA_ERR_INVALIDSERVER ||
            error == PA_ERR_NOENTITY || error == PA_ERR_ACCESS)
            return Failure::noServer;
        return failedSaying(std::string("cannot reach the sound server (") + pa_strerror(error) +
                            ")");
    }
    if (connected == Wait::timedOut)
        return failedSaying("the sound server does not answer; key tones and speech are silent "
                            "until it does");

    const pa_sample_spec sampleFormat{PA_SAMPLE_S16LE, std::uint32_t(format_.sampleRate),
                                      std::uint8_t(format_.channels)};
    if (!pa_sample_spec_valid(&sampleFormat))
        return failedSaying("the sound server cannot play " + std::to_string(format_.channels) +
                            " channel(s) at " + std::to_string(format_.sampleRate) + " Hz");
    // Early requests run the sink at `requestEvery`; the target length still holds a whole tone.
    const pa_buffer_attr attributes{std::uint32_t(-1), bytesFor(format_, aheadOfListener),
                                    bytesFor(format_, requestEvery),
                                    bytesFor(format_, requestEvery), std::uint32_t(-1)};
    stream_ = pa_stream_new(context_, "Quorvel", &sampleFormat, nullptr);
    if (stream_ == nullptr ||
        pa_stream_connect_playback(stream_, nullptr, &attributes, PA_STREAM_EARLY_REQUESTS, nullptr,
                                   nullptr) < 0)
        return failedSaying(std::string("the sound server refused a stream (") +
                            pa_strerror(pa_context_errno(context_)) + ")");
    const Wait ready =
        runUntil([this] { return pa_stream_get_state(stream_) == PA_STREAM_READY; }, connectLimit);
    if (ready != Wait::done) {
        failWith(ready);
        return Failure::failed;
    }
    return Failure::none;
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

bool PulseConnection::write(const std::int16_t* samples, long frames) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(samples);
    std::size_t left = std::size_t(frames) * std::size_t(format_.channels) * 2;
    if (!written_) {
        // The server may have restarted since the last sound: its hang-up, heard (perhaps behind
        // older messages) before writing, lets a fresh connection play this one.
        for (int i = 0; i < 64 && pa_mainloop_iterate(loop_, 0, nullptr) > 0; ++i) {
        }
        wentAway_ = broken();
        if (wentAway_)
            return false;
    }
    while (left > 0) {
        const std::size_t room = pa_stream_writable_size(stream_);
        if (stopped_ || broken() || room == std::size_t(-1))
            return failWith(stopped_ ? Wait::stopped : Wait::broken);
        if (room == 0) {
            // A playing server asks for more every few milliseconds: silence this long is a stall.
            const Wait wait =
                runUntil([this] { return pa_stream_writable_size(stream_) > 0; }, stallLimit);
            if (wait != Wait::done)
                return failWith(wait);
            continue;
        }
        const std::size_t now = std::min(room, left);
        if (pa_stream_write(stream_, bytes, now, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return failWith(Wait::broken);
        written_ = true;
        bytes += now;
        left -= now;
        pa_mainloop_iterate(loop_, 0, nullptr); // to the socket now, not at the next wait
    }
    return true;
}

bool PulseConnection::drain() {
    if (!written_)
        return true;
    written_ = false;
    int drained = -1; // then 1 when done, 0 when the server could not
    pa_operation* operation = pa_stream_drain(
        stream_,
        [](pa_stream*, int success, void* result) { *static_cast<int*>(result) = success != 0; },
        &drained);
    if (operation == nullptr)
        return failWith(Wait::broken);
    // What is queued plays within the target length; longer than that plus a grace is a stall.
    const Wait wait = runUntil([&drained] { return drained >= 0; }, aheadOfListener + stallLimit);
    if (wait != Wait::done)
        pa_operation_cancel(operation);
    pa_operation_unref(operation);
    return wait == Wait::done ? drained == 1 || failWith(Wait::broken) : failWith(wait);
}

template <typename Done>
PulseConnection::Wait PulseConnection::runUntil(Done done, Clock::duration limit) {
    const auto deadline = Clock::now() + limit;
    while (!done()) {
        if (stopped_)
            return Wait::stopped;
        if (broken())
            return Wait::broken;
        const auto now = Clock::now();
        if (now >= deadline)
            return Wait::timedOut;
        const auto step = std::chrono::duration_cast<std::chrono::microseconds>(
            std::min<Clock::duration>(deadline - now, pollStep));
        if (pa_mainloop_prepare(loop_, int(step.count())) < 0 || pa_mainloop_poll(loop_) < 0 ||
            pa_mainloop_dispatch(loop_) < 0)
            return Wait::broken;
    }
    return Wait::done;
}

bool PulseConnection::broken() const {
    const pa_context_state_t context = pa_context_get_state(context_);
    if (stream_ == nullptr || context != PA_CONTEXT_READY)
        return !PA_CONTEXT_IS_GOOD(context); // failed, or still connecting
    return !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_));
}

bool PulseConnection::failWith(Wait wait) {
    if (wait == Wait::timedOut)
        reportOnce("the sound device stopped taking sound; that sound was abandoned");
    else if (wait == Wait::broken && pa_context_get_state(context_) != PA_CONTEXT_READY)
        reportOnce("the sound server went away; key tones and speech are silent until it is back");
    else if (wait == Wait::broken)
        reportOnce(std::string("the sound server dropped our stream (") +
                   pa_strerror(pa_context_errno(context_)) + ")");
    return false;
}
