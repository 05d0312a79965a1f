#pragma once

#include "output/sound/pcm_format.h"
#include "output/sound/sound_connection.h"

#include <atomic>
#include <memory>

// A stream on the default ALSA device through PortAudio, for systems without a sound server.
// PortAudio's calls block (a device that stops taking sound, such as a pipe nobody reads, holds
// a write for ever), so they run on a device thread of the stream's own, fed from a queue, while
// the caller waits in short bounded steps. A device thread that stays stuck is left behind with
// everything it uses, and the caller goes on.
class PortAudioOutput final : public SoundConnection {
public:
    // Returns at once; the device is opened on the device thread, and a failure to open shows at
    // the first write.
    PortAudioOutput(PcmFormat format, const std::atomic<bool>& stopped, SoundStarted started);
    // Waits briefly for the device thread to close the device (so what was played is complete),
    // never for a device thread that is stuck.
    ~PortAudioOutput() override;
    PortAudioOutput(const PortAudioOutput&) = delete;
    PortAudioOutput& operator=(const PortAudioOutput&) = delete;

    bool write(const std::int16_t* samples, long frames) override;
    bool drain() override;

private:
    struct Shared;

    template <typename Done> bool waitWithProgress(Done done, std::chrono::milliseconds slack);

    const std::atomic<bool>& stopped_;
    std::shared_ptr<Shared> shared_; // also held by the device thread
    bool failed_ = false;
};
