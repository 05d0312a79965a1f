// Figures for the two speech voices on a real-time paced device: how long Speak keeps the window
// while the voice is busy, how soon a request's speech reaches the device, and how long the voice
// takes to start. Run through scripts/with-paced-sound (make bench), whose private runtime
// directory is where the desktop voice starts its own speech-dispatcher.

#include "output/speech/desktop_voice.h"
#include "output/speech/espeak_voice.h"

#include <QFile>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;
using Microseconds = std::chrono::duration<double, std::micro>;

const QString announcement = "Telephone number: 0 1 2 ";

double millisecondsSince(Clock::time_point start) {
    return Milliseconds(Clock::now() - start).count();
}

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

// What a voice has reported so far, under a lock, with a way to wait for a report: the part
// both watched voices below share.
class Reports {
protected:
    explicit Reports(std::chrono::seconds patience) : patience_(patience) {}

    template <typename Change> void note(Change change) {
        {
            const std::lock_guard lock(mutex_);
            change();
        }
        changed_.notify_all();
    }
    template <typename Predicate> bool wait(Predicate done) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, patience_, done);
    }

    std::mutex mutex_;

private:
    const std::chrono::seconds patience_;
    std::condition_variable changed_;
};

// A voice together with what it has reported so far.
class WatchedVoice : Reports {
public:
    WatchedVoice() : Reports(std::chrono::seconds(10)) {
        EspeakVoiceWatch watch;
        watch.engineLoaded = [this](bool speaks) {
            note([&] {
                loadedAt_ = Clock::now();
                speaks_ = speaks ? 1 : 0;
            });
        };
        watch.soundStarted = [this](Clock::time_point handedOver) {
            note([&] { handOvers_.push_back(handedOver); });
        };
        watch.requestDone = [this] { note([&] { ++done_; }); };
        createdAt_ = Clock::now();
        voice_ = std::make_unique<EspeakVoice>(std::move(watch));
        constructed_ = millisecondsSince(createdAt_);
    }

    EspeakVoice& voice() { return *voice_; }
    double constructionMilliseconds() const { return constructed_; }

    // Whether the voice can speak, once loading is over.
    bool speaks() {
        wait([&] { return speaks_ >= 0; });
        const std::lock_guard lock(mutex_);
        return speaks_ == 1;
    }
    double loadingMilliseconds() {
        speaks();
        const std::lock_guard lock(mutex_);
        return Milliseconds(loadedAt_ - createdAt_).count();
    }
    // When the device took the first samples of the n-th request (counting from 1); nothing when
    // there is no device to take them.
    std::optional<Clock::time_point> handOver(std::size_t n) {
        if (!wait([&] { return handOvers_.size() >= n; }))
            return std::nullopt;
        return handOvers_[n - 1];
    }
    void waitForRequests(int n) {
        wait([&] { return done_ >= n; });
    }
    // Destroys the voice; returns how long that took.
    double destroy() {
        const auto start = Clock::now();
        voice_.reset();
        return millisecondsSince(start);
    }

private:
    Clock::time_point createdAt_, loadedAt_;
    double constructed_ = 0;
    int speaks_ = -1;
    std::vector<Clock::time_point> handOvers_;
    int done_ = 0;
    std::unique_ptr<EspeakVoice> voice_;
};

// The engine loads once per process, so each start-up is measured in a fresh process.
int printStartUp() {
    WatchedVoice voice;
    std::printf("%f %f %d\n", voice.constructionMilliseconds(), voice.loadingMilliseconds(),
                voice.speaks() ? 1 : 0);
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

void measureSpeakWhileBusy() {
    WatchedVoice voice;
    if (!voice.speaks())
        return;
    for (int i = 0; i < 100; ++i)
        voice.voice().Speak(announcement);
    if (!voice.handOver(1)) { // speaking, with 99 more requests behind
        printNoDevice("Speak while busy");
        return;
    }
    std::vector<double> speaking;
    for (int i = 0; i < 1000; ++i) {
        const auto start = Clock::now();
        voice.voice().Speak(announcement);
        speaking.push_back(Microseconds(Clock::now() - start).count());
    }
    printRow("Speak, 100+ requests queued: median of 1,000", median(speaking), "us",
             "well under 1 ms");
    printRow("Speak, 100+ requests queued: worst", worst(speaking), "us", "");
    printRow("destroying the voice mid-sentence, 1,099 queued", voice.destroy(), "ms",
             "(the program's end waits for this)");
}

void measureFirstSample() {
    // A new voice opens the device for its first request.
    std::vector<double> opening;
    for (int i = 0; i < 5; ++i) {
        WatchedVoice voice;
        if (!voice.speaks())
            return;
        const auto start = Clock::now();
        voice.voice().Speak("1");
        const std::optional<Clock::time_point> handedOver = voice.handOver(1);
        if (!handedOver) {
            printNoDevice("first sample");
            return;
        }
        opening.push_back(Milliseconds(*handedOver - start).count());
    }
    // Later requests find the device open, the stream paused since the last one.
    WatchedVoice voice;
    voice.voice().Speak("1");
    voice.waitForRequests(1);
    std::vector<double> open;
    for (int i = 0; i < 20; ++i) {
        const auto start = Clock::now();
        voice.voice().Speak("1");
        const std::optional<Clock::time_point> handedOver = voice.handOver(std::size_t(i) + 2);
        if (!handedOver)
            return;
        open.push_back(Milliseconds(*handedOver - start).count());
        voice.waitForRequests(i + 2);
    }
    printRow("Speak to first sample at the device, opening it: median/5", median(opening), "ms",
             "");
    printRow("Speak to first sample at the device, opening it: worst", worst(opening), "ms", "");
    printRow("Speak to first sample at the device, open: median of 20", median(open), "ms", "");
    printRow("Speak to first sample at the device, open: worst", worst(open), "ms", "");
}

// The desktop voice with speech-dispatcher, as the program makes it. The first speech sample is
// timed by the server's own report that a message began to sound.
class WatchedDesktopVoice : Reports {
public:
    WatchedDesktopVoice() : Reports(std::chrono::seconds(20)) {
        DesktopVoiceWatch watch;
        watch.chosen = [this](ChosenVoice voice) {
            note([&] {
                chosenAt_ = Clock::now();
                chosen_ = voice;
            });
        };
        watch.speechDispatcher.speechBegan = [this](Clock::time_point began) {
            note([&] { began_.push_back(began); });
        };
        watch.speechDispatcher.requestDone = [this] { note([&] { ++done_; }); };
        createdAt_ = Clock::now();
        voice_ = std::make_unique<DesktopVoice>(std::move(watch));
        constructed_ = millisecondsSince(createdAt_);
    }

    DesktopVoice& voice() { return *voice_; }
    double constructionMilliseconds() const { return constructed_; }
    // How long the choice took, when it fell on speech-dispatcher.
    std::optional<double> choosingMilliseconds() {
        wait([&] { return chosen_.has_value(); });
        const std::lock_guard lock(mutex_);
        if (chosen_ != ChosenVoice::speechDispatcher)
            return std::nullopt;
        return Milliseconds(chosenAt_ - createdAt_).count();
    }
    // When the n-th request (counting from 1) began to sound, once it is over.
    std::optional<Clock::time_point> began(std::size_t n) {
        if (!wait([&] { return done_ >= int(n); }) || began_.size() < n)
            return std::nullopt;
        return began_[n - 1];
    }
    bool waitForRequests(int n) {
        return wait([&] { return done_ >= n; });
    }
    double destroy() {
        const auto start = Clock::now();
        voice_.reset();
        return millisecondsSince(start);
    }

private:
    Clock::time_point createdAt_, chosenAt_;
    double constructed_ = 0;
    std::optional<ChosenVoice> chosen_;
    std::vector<Clock::time_point> began_;
    int done_ = 0;
    std::unique_ptr<DesktopVoice> voice_;
};

// Ends the speech-dispatcher the desktop voice started in the private runtime directory.
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

void measureSpeechDispatcher() {
    std::optional<double> cold;
    double constructing = 0;
    {
        WatchedDesktopVoice voice;
        constructing = voice.constructionMilliseconds();
        cold = voice.choosingMilliseconds();
        if (!cold) {
            std::printf(
                "speech-dispatcher: not reached; the desktop voice speaks with espeak-ng\n");
            return;
        }
        std::vector<double> firstSample;
        for (std::size_t i = 1; i <= 20; ++i) {
            const auto start = Clock::now();
            voice.voice().Speak("1");
            const std::optional<Clock::time_point> began = voice.began(i);
            if (!began)
                break;
            firstSample.push_back(Milliseconds(*began - start).count());
        }
        for (int i = 0; i < 100; ++i)
            voice.voice().Speak(announcement);
        std::vector<double> speaking;
        for (int i = 0; i < 1000; ++i) {
            const auto start = Clock::now();
            voice.voice().Speak(announcement);
            speaking.push_back(Microseconds(Clock::now() - start).count());
        }
        printRow("speech-dispatcher: constructor returns", constructing, "ms",
                 "(all the window waits for)");
        printRow("speech-dispatcher: chosen, server started by the voice", *cold, "ms",
                 "bound 2000 ms");
        if (!firstSample.empty()) {
            printRow("speech-dispatcher: Speak to BEGIN of speech, first request", firstSample[0],
                     "ms", "");
            firstSample.erase(firstSample.begin());
            printRow("speech-dispatcher: Speak to BEGIN of speech, median of 19",
                     median(firstSample), "ms", "");
            printRow("speech-dispatcher: Speak to BEGIN of speech, worst", worst(firstSample), "ms",
                     "");
        }
        printRow("speech-dispatcher: Speak, 100+ queued: median of 1,000", median(speaking), "us",
                 "well under 1 ms");
        printRow("speech-dispatcher: Speak, 100+ queued: worst", worst(speaking), "us", "");
        printRow("speech-dispatcher: destroying the voice mid-sentence", voice.destroy(), "ms",
                 "about 100 ms at most");
    }
    {
        WatchedDesktopVoice voice;
        if (const std::optional<double> warm = voice.choosingMilliseconds())
            printRow("speech-dispatcher: chosen, server already running", *warm, "ms", "");
    }
    endStartedServer();
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--start-up") == 0)
        return printStartUp();
    std::printf("%-58s %10s %-3s %s\n", "figure", "value", "", "target");
    measureStartUp();
    measureSpeakWhileBusy();
    measureFirstSample();
    measureSpeechDispatcher();
    return 0;
}
