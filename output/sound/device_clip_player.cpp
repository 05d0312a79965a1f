#include "output/sound/device_clip_player.h"

#include "output/sound/clip_file.h"

#include <array>

void DeviceClipPlayer::PlayClips(const QStringList& paths) {
    constexpr long framesPerRead = 1024;
    const std::lock_guard lock(playing_);
    std::array<std::int16_t, framesPerRead * 2> buffer{}; // room for stereo (more is mixed down)
    for (const QString& path : paths) {
        if (stream_.stopped())
            return;
        std::optional<ClipFile> clip = ClipFile::open(path);
        if (!clip)
            continue;
        long frames; // the next clip follows this one's last sample: no gap between them
        while ((frames = clip->read(buffer.data(), framesPerRead)) > 0) {
            // No device, a stall or the end: the rest is abandoned, not tried clip by clip.
            if (!stream_.write(clip->format(), buffer.data(), frames))
                return;
        }
    }
    stream_.drain();
}
