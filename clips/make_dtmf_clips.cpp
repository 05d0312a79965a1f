// Writes the twelve key clips into the given directory: a DTMF tone, then silence to part repeats.

#include "dialling/key_table.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int sampleRate = 22050;
constexpr int toneFrames = sampleRate * 120 / 1000;
constexpr int fadeFrames = sampleRate * 5 / 1000;
constexpr int silenceFrames = sampleRate * 80 / 1000;
// Each sine peaks at a quarter of full scale: together half, loud and well clear of clipping.
constexpr double sineAmplitude = 0.25 * 32767;

// The keypad's rows and columns, in the order of KeyTable: key i sits in row i / 3, column i % 3.
constexpr std::array<double, 4> rowHz{697, 770, 852, 941};
constexpr std::array<double, 3> columnHz{1209, 1336, 1477};

std::vector<short> toneSamples(double rowHz, double columnHz) {
    std::vector<short> samples(toneFrames + silenceFrames, 0);
    for (int i = 0; i < toneFrames; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        // Raised-cosine fades keep the tone from clicking as it starts and stops.
        const int edge = std::min({i, toneFrames - 1 - i, fadeFrames});
        const double gain = 0.5 - 0.5 * std::cos(std::numbers::pi * edge / fadeFrames);
        const double value = std::sin(2 * std::numbers::pi * rowHz * t) +
                             std::sin(2 * std::numbers::pi * columnHz * t);
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
    for (std::size_t i = 0; i < KeyTable.size(); ++i) {
        if (!writeClip(std::string(argv[1]) + "/" + KeyTable[i].clipFile,
                       toneSamples(rowHz[i / 3], columnHz[i % 3])))
            return 1;
    }
    return 0;
}
