// Figures for the clip player on a real-time paced device: how soon a key's tone reaches the
// device, how soon PlayClip returns once its last sample has been heard, and the gap between
// dialled clips. Run through scripts/with-paced-sound (make bench).

#include "output/sound/clip_path.h"
#include "output/sound/device_clip_player.h"

#include "monitor_recorder.h"

#include <sndfile.h>

#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
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

    DeviceClipPlayer player;
    player.PlayClip(clip); // opens the device once, as the first key press of a session does

    MonitorRecorder monitor;
    std::vector<Clock::time_point> keyStarts, keyEnds;
    for (int i = 0; i < 20; ++i) {
        // A pause, so that each tone starts out of silence, as keys clicked by hand do.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto start = Clock::now();
        keyStarts.push_back(start);
        player.PlayClip(clip);
        const auto end = Clock::now();
        keyEnds.push_back(end);
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

    // The recorder lags the sink by a block or so; give it time to hear the last key.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::vector<double> recordedLatency, returnAfterLastSample;
    for (std::size_t i = 0; i < keyStarts.size(); ++i) {
        const Clock::time_point tone = monitor.firstToneAfter(keyStarts[i]);
        if (tone == Clock::time_point{})
            continue;
        recordedLatency.push_back(Milliseconds(tone - keyStarts[i]).count());
        // The last sample is heard a clip's length after the first; what PlayClip takes beyond
        // that is how long a key holds the pad after its tone.
        returnAfterLastSample.push_back(Milliseconds(keyEnds[i] - tone).count() - clipMs);
    }
    if (recordedLatency.empty()) {
        std::fprintf(stderr,
                     "clip_bench: no tone reached the sink's monitor (is PAREC_SINK set?)\n");
        return 1;
    }

    std::printf("%-58s %10s %-3s %s\n", "figure", "value", "", "target");
    printRow("key press: click to first sample at the sink's monitor, median",
             median(recordedLatency), "ms", "<= 20 ms");
    printRow("key press: click to first sample at the sink's monitor, worst",
             *std::max_element(recordedLatency.begin(), recordedLatency.end()), "ms", "");
    std::printf("%-58s %10zu of %zu\n", "  key tones found in the recording",
                recordedLatency.size(), keyStarts.size());
    printRow("key holds the pad after its last sample, median", median(returnAfterLastSample), "ms",
             "<= 10 ms");
    printRow("key holds the pad after its last sample, worst",
             *std::max_element(returnAfterLastSample.begin(), returnAfterLastSample.end()), "ms",
             "");
    printRow("dial of 20 clips: time beyond the clips' own length", dialMs - 20 * clipMs, "ms",
             "(gaps are 0 samples: checked sample-exact by the tests)");
    printRow("dial of 100,000 keys whose clips are missing", missingMs, "ms", "< 1000 ms");
    return 0;
}
