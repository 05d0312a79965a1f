#pragma once

#include "output/sound/sound_connection.h"

#include <vector>

struct pa_context;
struct pa_mainloop;
struct pa_stream;

// A stream on the desktop's sound server (PulseAudio, or PipeWire through pipewire-pulse). The
// server is sent a sound once a quarter second of it is in hand and then holds up to a second
// ahead, so a busy machine cannot split a tone, and its drain says when the last sample was played.
// Nothing blocks: the caller runs the main loop in short bounded steps.
class PulseConnection final : public SoundConnection {
public:
    using SoundConnection::SoundConnection;
    ~PulseConnection() override;
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    Outcome open() override; // within a short bound
    Outcome write(const std::int16_t* samples, long frames) override;
    Outcome drain() override;

private:
    enum class Wait { done, stopped, gone, timedOut };

    template <typename Done> Wait runUntil(Done done, std::chrono::steady_clock::duration limit);
    Outcome send(const std::uint8_t* bytes, std::size_t size);
    Outcome sendUnsent();
    bool gone() const;
    Outcome failWith(Wait wait);

    pa_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    bool written_ = false;             // since the last drain
    bool started_ = false;             // this sound is on its way to the server
    std::vector<std::uint8_t> unsent_; // the start of this sound, until there is enough of it
};
