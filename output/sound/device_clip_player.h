#pragma once

#include "output/sound/clip_player.h"
#include "output/sound/sound_stream.h"

#include <mutex>

// Plays clips on the sound device: libsndfile decodes, the stream plays, the caller waits.
class DeviceClipPlayer final : public ClipPlayer {
public:
    explicit DeviceClipPlayer(std::chrono::milliseconds releaseAfterIdle = std::chrono::seconds(2))
        : stream_(releaseAfterIdle) {}

    void PlayClips(const QStringList& paths) override;

    void stop() override { stream_.stop(); }

    bool holdsDevice() const { return stream_.isOpen(); }

private:
    std::mutex playing_;
    SoundStream stream_;
};
