#pragma once

#include "output/sound/pcm_format.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct sf_private_tag;

// A clip in any encoding libsndfile decodes, read a chunk at a time to keep memory small.
class ClipFile {
public:
    // Nothing when the clip cannot be played: silently when it is missing, else reported once.
    static std::optional<ClipFile> open(const QString& path);

    PcmFormat format() const { return format_; }

    // Reads up to `frames` frames of format(); returns how many, 0 at the end or on a read error.
    long read(std::int16_t* samples, long frames);

private:
    using File = std::unique_ptr<sf_private_tag, int (*)(sf_private_tag*)>;
    ClipFile(File file, PcmFormat format, int fileChannels)
        : file_(std::move(file)), format_(format), fileChannels_(fileChannels) {}

    File file_;
    PcmFormat format_; // as played
    int fileChannels_; // as stored
    std::vector<float> decoded_;
};
