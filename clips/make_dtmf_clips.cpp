// Writes the twelve key clips of the pad into the directory given as the only argument.
//
// Each clip is the key's DTMF tone (the sum of its row and column frequencies) followed by
// silence, so that dialled keys stay distinct even when the same digit repeats.

#include <sndfile.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int sampleRate = 22050;
constexpr double toneSeconds = 0.120;
constexpr double fadeSeconds = 0.005;
constexpr double silenceSeconds = 0.080;
// Each of the two sines peaks at a quarter of full scale: together half scale, well clear of
// clipping and comfortably loud.
constexpr double sineAmplitude = 0.25 * 32767;

struct Key {
    const char* fileName;
    double rowHz;
    double columnHz;
};

constexpr std::array<Key, 12> keys{{
    {"1.wav", 697, 1209},
    {"2.wav", 697, 1336},
    {"3.wav", 697, 1477},
    {"4.wav", 770, 1209},
    {"5.wav", 770, 1336},
    {"6.wav", 770, 1477},
    {"7.wav", 852, 1209},
    {"8.wav", 852, 1336},
    {"9.wav", 852, 1477},
    {"ast.wav", 941, 1209},
    {"0.wav", 941, 1336},
    {"#.wav", 941, 1477},
}};

std::vector<short> toneSamples(const Key& key) {
    const int toneFrames = static_cast<int>(toneSeconds * sampleRate);
    const int fadeFrames = static_cast<int>(fadeSeconds * sampleRate);
    const int silenceFrames = static_cast<int>(silenceSeconds * sampleRate);
    std::vector<short> samples(toneFrames + silenceFrames, 0);
    for (int i = 0; i < toneFrames; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        // Raised-cosine fades keep the tone from clicking as it starts and stops.
        double gain = 1.0;
        if (i < fadeFrames)
            gain = 0.5 - 0.5 * std::cos(std::numbers::pi * i / fadeFrames);
        else if (i >= toneFrames - fadeFrames)
            gain = 0.5 - 0.5 * std::cos(std::numbers::pi * (toneFrames - 1 - i) / fadeFrames);
        const double value = std::sin(2 * std::numbers::pi * key.rowHz * t) +
                             std::sin(2 * std::numbers::pi * key.columnHz * t);
        samples[i] = static_cast<short>(std::lround(gain * sineAmplitude * value));
    }
    return samples;
}

bool writeClip(const std::string& path, const std::vector<short>& samples) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "make_dtmf_clips: cannot write %s: %s\n", path.c_str(),
                     sf_strerror(nullptr));
        return false;
    }
    const auto written =
        sf_write_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(file);
    return written == static_cast<sf_count_t>(samples.size());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_dtmf_clips OUTPUT_DIRECTORY\n");
        return 2;
    }
    for (const Key& key : keys) {
        if (!writeClip(std::string(argv[1]) + "/" + key.fileName, toneSamples(key)))
            return 1;
    }
    return 0;
}
