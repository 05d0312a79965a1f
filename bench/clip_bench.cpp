// Figures for the clip player on a real-time paced device: how soon a key's tone reaches the
// device, how soon PlayClip returns once its last sample has been heard, and the gap between
// dialled clips. Run through scripts/with-paced-sound (make bench).

#include "output/clip_path.h"
#include "output/portaudio_clip_player.h"

#include <sndfile.h>

#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

double clipSeconds(const QString& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (file == nullptr)
        return 0;
    sf_close(file);
    return double(info.frames) / info.samplerate;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void printRow(const char* figure, double value, const char* unit, const char* target) {
    std::printf("%-58s %10.2f %-3s %s\n", figure, value, unit, target);
}

} // namespace

int main() {
    const QString clip = ClipPath("5.wav");
    const double clipMs = clipSeconds(clip) * 1000;
    if (clipMs <= 0) {
        std::fprintf(stderr, "clip_bench: %s is missing; build first\n", qPrintable(clip));
        return 1;
    }

    PortAudioClipPlayer player;
    player.PlayClip(clip); // opens the device once, as the first key press of a session does

    std::vector<double> handOverPlusBuffer, returnAfterLastSample;
    for (int i = 0; i < 20; ++i) {
        const auto start = Clock::now();
        player.PlayClip(clip);
        const auto end = Clock::now();
        const auto& stream = player.stream();
        handOverPlusBuffer.push_back(Milliseconds(stream.lastHandOverAfterPause() - start).count() +
                                     Milliseconds(stream.bufferDuration()).count());
        // The last sample cannot be heard before the first has gone through the buffer and the
        // whole clip has played; what PlayClip takes beyond that is its delay in returning.
        returnAfterLastSample.push_back(
            Milliseconds(end - start).count() - clipMs -
            Milliseconds(stream.lastHandOverAfterPause() - start).count());
    }

    const QStringList dial(20, clip);
    const auto dialStart = Clock::now();
    player.PlayClips(dial);
    const double dialMs = Milliseconds(Clock::now() - dialStart).count();

    // A very long number whose clips are all missing passes them over without waiting.
    QStringList missing;
    for (int i = 0; i < 100000; ++i)
        missing.append(ClipPath("no-such-clip-" + QString::number(i % 12) + ".wav"));
    const auto missingStart = Clock::now();
    player.PlayClips(missing);
    const double missingMs = Milliseconds(Clock::now() - missingStart).count();

    std::printf("%-58s %10s %-3s %s\n", "figure", "value", "", "target");
    printRow("stream buffer", Milliseconds(player.stream().bufferDuration()).count(), "ms", "");
    printRow("key press: tone handed over + buffer, median", median(handOverPlusBuffer), "ms",
             "<= 20 ms");
    printRow("PlayClip return after the last sample, median", median(returnAfterLastSample), "ms",
             "<= 10 ms");
    printRow("PlayClip return after the last sample, worst",
             *std::max_element(returnAfterLastSample.begin(), returnAfterLastSample.end()), "ms",
             "");
    printRow("dial of 20 clips: time beyond the clips' own length", dialMs - 20 * clipMs, "ms",
             "(gaps are 0 samples: checked sample-exact by the tests)");
    printRow("dial of 100,000 keys whose clips are missing", missingMs, "ms", "< 1000 ms");
    return 0;
}
