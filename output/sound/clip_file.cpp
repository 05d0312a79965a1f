#include "output/sound/clip_file.h"

#include "output/report.h"
#include "output/sound/clip_path.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <span>
#include <system_error>

namespace {

// Beyond these a file is not a clip anyone meant to hear, and the device would refuse it anyway.
constexpr int minSampleRate = 1000;
constexpr int maxSampleRate = 384000;

std::nullopt_t unplayable(const QString& path, const std::string& why) {
    reportOnce("cannot play clip '" + encodePath(path) + "': " + why);
    return std::nullopt;
}

} // namespace

std::optional<ClipFile> ClipFile::open(const QString& path) {
    const std::string encoded = encodePath(path);

    std::error_code error;
    const auto status = std::filesystem::status(encoded, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return std::nullopt;
    if (error)
        return unplayable(path, error.message());
    // Only regular files: opening a pipe or a device node could block the keypad for ever.
    if (status.type() != std::filesystem::file_type::regular)
        return unplayable(path, "not a regular file");

    SF_INFO info{};
    File file(sf_open(encoded.c_str(), SFM_READ, &info), sf_close);
    if (file == nullptr) // also when the header gives no channels: libsndfile refuses those
        return unplayable(path, sf_strerror(nullptr));
    if (info.samplerate < minSampleRate || info.samplerate > maxSampleRate)
        return unplayable(path,
                          "unsupported sample rate " + std::to_string(info.samplerate) + " Hz");
    // More than two channels are mixed down to one: every device takes mono.
    return ClipFile(std::move(file),
                    PcmFormat{info.channels > 2 ? 1 : info.channels, info.samplerate},
                    info.channels);
}

long ClipFile::read(std::int16_t* samples, long frames) {
    // Read as float: libsndfile's 16-bit reading of float data is near-silent, or full-scale.
    decoded_.resize(std::size_t(frames) * std::size_t(fileChannels_));
    const sf_count_t got = sf_readf_float(file_.get(), decoded_.data(), frames);
    if (got <= 0)
        return 0;
    const auto count = std::size_t(got) * std::size_t(format_.channels);
    const auto mixed = std::size_t(fileChannels_ / format_.channels); // channels in each sample
    for (std::size_t i = 0; i < count; ++i) {
        float value = 0;
        for (const float part : std::span(decoded_).subspan(i * mixed, mixed))
            value += std::isnan(part) ? 0.0f : part;
        const float scaled = std::clamp(value / float(mixed) * 32768.0f, -32768.0f, 32767.0f);
        samples[i] = static_cast<std::int16_t>(std::lrint(scaled));
    }
    return static_cast<long>(got);
}
