#pragma once

#include "output/sound/sound_connection.h"

#include <memory>

class BoundedCalls;

// The default ALSA device, where no sound server runs. alsa-lib's calls can block for ever, so each
// runs through `calls` within a bound; one that overruns is left behind and the connection is done.
class AlsaConnection final : public SoundConnection {
public:
    AlsaConnection(PcmFormat format, BoundedCalls& calls, const std::atomic<bool>& stopped);
    // Closes the device, completing what it took (a capture file, say); never waits on a stall.
    ~AlsaConnection() override;

    Outcome open() override;
    Outcome write(const std::int16_t* samples, long frames) override;
    Outcome drain() override;

private:
    struct Device;

    template <typename Call> Outcome run(Call call, std::chrono::milliseconds bound);

    BoundedCalls& calls_;
    std::shared_ptr<Device> device_; // also held by a call in progress, or left behind
};
