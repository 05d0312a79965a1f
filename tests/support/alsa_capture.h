#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// Points this process's default ALSA device at a file, so that everything played through
// alsa-lib is captured sample for sample. Not paced in real time: playback runs as fast as the
// program writes. Call sharedCapture() before the process plays its first sound.
class AlsaCapture {
public:
    // Every sample captured since the last clear(), 16-bit interleaved. Complete for streams that
    // have been closed (closing waits for the writer to finish).
    std::vector<std::int16_t> samples() const;
    void clear();

    // A scratch directory that lives as long as the process, for test clips.
    QString scratchDirectory() const { return directory_; }

private:
    friend AlsaCapture& sharedCapture();
    AlsaCapture();

    QString directory_;
    QString capturePath_;
};

AlsaCapture& sharedCapture();

// Points the default ALSA device at nothing, so the process sees no sound device at all.
void useNoSoundDevice();

// Points the default ALSA device at a sink that takes everything at once and keeps nothing.
void useNullSoundDevice();
