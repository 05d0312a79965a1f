// Figures for the clip player on a real-time paced device: how soon a key's tone reaches the
// device, how soon PlayClip returns once its last sample has been heard, and the gap between
// dialled clips. Run through scripts/with-paced-sound (make bench).

#include "output/sound/clip_path.h"
#include "output/sound/device_clip_player.h"
#include "output/sound/sound_output.h"

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

    Clock::time_point heardFrom;
    DeviceClipPlayer player(std::chrono::seconds(2),
                            [&heardFrom](Clock::time_point when) { heardFrom = when; });
    player.PlayClip(clip); // opens the device once, as the first key press of a session does

    std::vector<double> keyLatency, returnAfterLastSample;
    for (int i = 0; i < 20; ++i) {
        const auto start = Clock::now();
        player.PlayClip(clip);
        const auto end = Clock::now();
        keyLatency.push_back(Milliseconds(heardFrom - start).count());
        // The last sample is heard a clip's length after the first; what PlayClip takes beyond
        // that is how long a key holds the pad after its tone.
        returnAfterLastSample.push_back(Milliseconds(end - heardFrom).count() - clipMs);
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
    printRow("key press: click to first sample heard, median", median(keyLatency), "ms",
             "<= 20 ms");
    printRow("key press: click to first sample heard, worst",
             *std::max_element(keyLatency.begin(), keyLatency.end()), "ms", "");
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
