#include "output/portaudio_clip_player.h"

#include "output/clip_file.h"

#include <array>

namespace {
constexpr long framesPerRead = 1024;
} // namespace

PortAudioClipPlayer::PortAudioClipPlayer(std::chrono::milliseconds releaseAfterIdle)
    : stream_(releaseAfterIdle) {}

void PortAudioClipPlayer::PlayClip(const QString& path) {
    PlayClips(QStringList{path});
}

void PortAudioClipPlayer::PlayClips(const QStringList& paths) {
    const std::lock_guard lock(playing_);
    std::array<std::int16_t, framesPerRead * 2> buffer{}; // room for stereo
    for (const QString& path : paths) {
        if (stream_.stopped())
            return;
        std::optional<ClipFile> clip = ClipFile::open(path);
        if (!clip)
            continue;
        // The next clip is written straight after this one's last sample: no gap between them.
        long frames;
        while ((frames = clip->read(buffer.data(), framesPerRead)) > 0) {
            if (!stream_.write(clip->format(), buffer.data(), frames))
                break;
        }
    }
    stream_.drain();
}

void PortAudioClipPlayer::stop() {
    stream_.stop();
}

bool PortAudioClipPlayer::holdsDevice() const {
    return stream_.isOpen();
}
