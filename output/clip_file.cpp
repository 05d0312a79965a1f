#include "output/clip_file.h"

#include "output/report_once.h"

#include <QFile>

#include <sndfile.h>

#include <filesystem>
#include <system_error>

namespace {

// Beyond these a file is not a clip anyone meant to hear, and the device would refuse it anyway.
constexpr int maxChannels = 2;
constexpr int minSampleRate = 1000;
constexpr int maxSampleRate = 384000;

void reportUnplayable(const QString& path, const std::string& why) {
    reportOnce("cannot play clip '" + path.toStdString() + "': " + why);
}

} // namespace

void ClipFile::Closer::operator()(sf_private_tag* file) const {
    sf_close(file);
}

std::optional<ClipFile> ClipFile::open(const QString& path) {
    const QByteArray encoded = QFile::encodeName(path);
    const std::filesystem::path fsPath(encoded.toStdString());

    std::error_code error;
    const auto status = std::filesystem::status(fsPath, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return std::nullopt;
    if (error) {
        reportUnplayable(path, error.message());
        return std::nullopt;
    }
    // Only regular files: opening a pipe or a device node could block the keypad for ever.
    if (status.type() != std::filesystem::file_type::regular) {
        reportUnplayable(path, "not a regular file");
        return std::nullopt;
    }

    SF_INFO info{};
    SNDFILE* file = sf_open(encoded.constData(), SFM_READ, &info);
    if (file == nullptr) {
        reportUnplayable(path, sf_strerror(nullptr));
        return std::nullopt;
    }
    ClipFile clip(file, PcmFormat{info.channels, info.samplerate});

    if (info.channels < 1 || info.channels > maxChannels) {
        reportUnplayable(path,
                         std::to_string(info.channels) + " channels (only mono and stereo play)");
        return std::nullopt;
    }
    if (info.samplerate < minSampleRate || info.samplerate > maxSampleRate) {
        reportUnplayable(path,
                         "unsupported sample rate " + std::to_string(info.samplerate) + " Hz");
        return std::nullopt;
    }
    // Floating-point clips louder than full scale are clipped rather than wrapped round.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    return clip;
}

long ClipFile::read(std::int16_t* samples, long frames) {
    const sf_count_t got = sf_readf_short(file_.get(), samples, frames);
    return got > 0 ? static_cast<long>(got) : 0;
}
