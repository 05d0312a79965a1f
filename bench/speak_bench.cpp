// Figures for the voice with each of its engines on a real-time paced sound server: how long
// Speak keeps the window while the voice is busy, how soon a request's speech is heard (at the
// sink's monitor), and how long the voice takes to start. Run through scripts/with-paced-sound
// (make bench), whose private runtime directory is where the voice starts its own
// speech-dispatcher.

#include "elapsed.h"
#include "monitor_recorder.h"
#include "output/speech/desktop_voice.h"
#include "voice_progress.h"

#include <QFile>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;
using Microseconds = std::chrono::duration<double, std::micro>;

const QString announcement = "Telephone number: 0 1 2 ";

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double worst(const std::vector<double>& values) {
    return *std::max_element(values.begin(), values.end());
}

void printRow(const char* figure, double value, const char* unit, const char* target) {
    std::printf("%-58s %10.3f %-3s %s\n", figure, value, unit, target);
}

void printNoDevice(const char* figures) {
    std::printf("%s: no sound device (run through scripts/with-paced-sound)\n", figures);
}

// A voice and what it has reported so far.
class WatchedVoice {
public:
    explicit WatchedVoice(bool askService) {
        createdAt_ = Clock::now();
        voice_ = std::make_unique<DesktopVoice>(progress_.watch(), askService);
        constructed_ = millisecondsSince(createdAt_);
    }

    DesktopVoice& voice() { return *voice_; }
    double constructionMilliseconds() const { return constructed_; }
    // The engine that speaks, once chosen.
    std::optional<Engine> engine() { return progress_.waitForEngine(std::chrono::seconds(10)); }
    double choosingMilliseconds() {
        engine();
        return Milliseconds(progress_.chosenAt() - createdAt_).count();
    }
    bool waitForRequests(int n) { return progress_.waitForRequests(n, std::chrono::seconds(20)); }
    double destroy() {
        const auto start = Clock::now();
        voice_.reset();
        return millisecondsSince(start);
    }

private:
    VoiceProgress progress_;
    Clock::time_point createdAt_;
    double constructed_ = 0;
    std::unique_ptr<DesktopVoice> voice_;
};

// When the monitor first heard sound that began after `after`; nothing within five seconds.
std::optional<Clock::time_point> heardAfter(MonitorRecorder& monitor, Clock::time_point after) {
    for (int i = 0; i < 500; ++i) {
        const Clock::time_point heard = monitor.firstToneAfter(after);
        if (heard != Clock::time_point{})
            return heard;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
}

// The engine loads once per process, so each start-up is measured in a fresh process.
int printStartUp() {
    WatchedVoice voice(false);
    const bool speaks = voice.engine() == Engine::espeak;
    std::printf("%f %f %d\n", voice.constructionMilliseconds(), voice.choosingMilliseconds(),
                speaks ? 1 : 0);
    return 0;
}

void measureStartUp() {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::vector<double> constructing, loading;
    for (int i = 0; i < 10; ++i) {
        FILE* child = popen(("'" + self + "' --start-up 2>/dev/null").c_str(), "r");
        double constructed = 0, loaded = 0;
        int speaks = 0;
        const bool read = child != nullptr &&
                          std::fscanf(child, "%lf %lf %d", &constructed, &loaded, &speaks) == 3;
        if (child != nullptr)
            pclose(child);
        if (!read || speaks == 0)
            continue;
        constructing.push_back(constructed);
        loading.push_back(loaded);
    }
    if (constructing.empty()) {
        std::printf("start-up: speech is unavailable\n");
        return;
    }
    printRow("start-up: constructor returns, median of 10 processes", median(constructing), "ms",
             "(all the window waits for)");
    printRow("start-up: constructor returns, worst", worst(constructing), "ms", "");
    printRow("start-up: engine and voice loaded, median", median(loading), "ms", "");
    printRow("start-up: engine and voice loaded, worst", worst(loading), "ms", "");
}

// Speak's own time, 1,000 times over with 100 requests and more queued; the voice destroyed
// after, mid-sentence.
void measureSpeakWhileBusy(WatchedVoice& voice, MonitorRecorder& monitor, const char* name) {
    const auto start = Clock::now();
    for (int i = 0; i < 100; ++i)
        voice.voice().Speak(announcement);
    if (!heardAfter(monitor, start)) {
        printNoDevice("Speak while busy");
        return;
    }
    std::vector<double> speaking;
    for (int i = 0; i < 1000; ++i) {
        const auto before = Clock::now();
        voice.voice().Speak(announcement);
        speaking.push_back(Microseconds(Clock::now() - before).count());
    }
    const std::string prefix = std::string(name) + "Speak, 100+ requests queued: ";
    printRow((prefix + "median of 1,000").c_str(), median(speaking), "us", "well under 1 ms");
    printRow((prefix + "worst").c_str(), worst(speaking), "us", "");
    printRow((std::string(name) + "destroying the voice mid-sentence, 1,099 queued").c_str(),
             voice.destroy(), "ms", "(the program's end waits for this)");
}

// From Speak to the first sample at the sink's monitor, each request alone.
std::vector<double> firstSamples(WatchedVoice& voice, MonitorRecorder& monitor, int count) {
    std::vector<double> delays;
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        voice.voice().Speak("1");
        const std::optional<Clock::time_point> heard = heardAfter(monitor, start);
        if (!heard || !voice.waitForRequests(i + 1))
            break;
        delays.push_back(Milliseconds(*heard - start).count());
        std::this_thread::sleep_for(std::chrono::milliseconds(100)); // quiet between requests
    }
    return delays;
}

void measureEspeak(MonitorRecorder& monitor) {
    {
        WatchedVoice voice(false);
        if (voice.engine() != Engine::espeak)
            return;
        measureSpeakWhileBusy(voice, monitor, "");
    }
    // A new voice opens the device for its first request.
    std::vector<double> opening;
    for (int i = 0; i < 5; ++i) {
        WatchedVoice voice(false);
        const std::vector<double> first = firstSamples(voice, monitor, 1);
        if (first.empty()) {
            printNoDevice("first sample");
            return;
        }
        opening.push_back(first[0]);
    }
    // Later requests find the stream open, paused since the last one.
    WatchedVoice voice(false);
    std::vector<double> open = firstSamples(voice, monitor, 21);
    if (open.size() < 2)
        return;
    open.erase(open.begin());
    printRow("Speak to first sample at the sink, opening it: median/5", median(opening), "ms", "");
    printRow("Speak to first sample at the sink, opening it: worst", worst(opening), "ms", "");
    printRow("Speak to first sample at the sink, open: median of 20", median(open), "ms", "");
    printRow("Speak to first sample at the sink, open: worst", worst(open), "ms", "");
}

// Ends the speech-dispatcher the voice started in the private runtime directory.
void endStartedServer() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr)
        return;
    QFile pidFile(QString::fromLocal8Bit(runtime) + "/speech-dispatcher/pid/speech-dispatcher.pid");
    if (!pidFile.open(QIODevice::ReadOnly))
        return;
    const int pid = pidFile.readAll().trimmed().toInt();
    if (pid > 0)
        kill(pid, SIGTERM);
}

void measureSpeechDispatcher(MonitorRecorder& monitor) {
    {
        WatchedVoice voice(true);
        if (voice.engine() != Engine::speechDispatcher) {
            std::printf("speech-dispatcher: not reached; the voice speaks with espeak-ng\n");
            return;
        }
        printRow("speech-dispatcher: constructor returns", voice.constructionMilliseconds(), "ms",
                 "(all the window waits for)");
        printRow("speech-dispatcher: chosen, server started by the voice",
                 voice.choosingMilliseconds(), "ms", "bound 2000 ms");
        std::vector<double> first = firstSamples(voice, monitor, 20);
        if (!first.empty()) {
            printRow("speech-dispatcher: Speak to first sample at the sink, first request",
                     first[0], "ms", "");
            first.erase(first.begin());
        }
        if (!first.empty()) {
            printRow("speech-dispatcher: Speak to first sample at the sink, median of 19",
                     median(first), "ms", "");
            printRow("speech-dispatcher: Speak to first sample at the sink, worst", worst(first),
                     "ms", "");
        }
        measureSpeakWhileBusy(voice, monitor, "speech-dispatcher: ");
    }
    {
        WatchedVoice voice(true);
        if (voice.engine() == Engine::speechDispatcher)
            printRow("speech-dispatcher: chosen, server already running",
                     voice.choosingMilliseconds(), "ms", "");
    }
    endStartedServer();
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--start-up") == 0)
        return printStartUp();
    std::printf("%-58s %10s %-3s %s\n", "figure", "value", "", "target");
    measureStartUp();
    MonitorRecorder monitor;
    if (!monitor.recording()) {
        printNoDevice("speech");
        return 0;
    }
    measureEspeak(monitor);
    measureSpeechDispatcher(monitor);
    return 0;
}
