// The voice against a speech service that misbehaves in each way we know of, made to happen by a
// stand-in SSIP server (tests/support/fake_ssip_server.py) with the built-in voice playing into a
// captured device, and against a sound server stopped at each phase of the voice. Each row needs
// a process of its own (ctest gives it one): the environment and espeak-ng are set up once.

#include "output/speech/desktop_voice.h"

#include "alsa_capture.h"
#include "private_speech_service.h"
#include "voice_progress.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const std::array<QString, 2> announcements = {"Telephone number: 1 ", "Telephone number: 2 "};

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

int lineCount(const std::string& text) {
    return int(std::count(text.begin(), text.end(), '\n'));
}

// What the code under test writes on standard error, caught at the file descriptor. gtest's own
// capture flushes every stdio stream, and so waits forever for the one of a libspeechd connection
// left behind, whose event thread holds its lock while it waits to read.
class ErrorsCaught {
public:
    ErrorsCaught() { ::dup2(file_, STDERR_FILENO); }
    ~ErrorsCaught() {
        text();
        ::close(file_);
    }
    std::string text() {
        if (saved_ >= 0) {
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
            saved_ = -1;
        }
        std::string text(std::size_t(::lseek(file_, 0, SEEK_END)), '\0');
        if (::pread(file_, text.data(), text.size(), 0) != ssize_t(text.size()))
            text.clear();
        return text;
    }

private:
    const int file_ = ::memfd_create("standard error", MFD_CLOEXEC);
    int saved_ = ::dup(STDERR_FILENO);
};

// Destroys the voice on a thread of its own and returns how long that took. When that is more than
// a second, `unstick` ends the fault, so that the destructor can return and the test end.
double destroy(std::unique_ptr<DesktopVoice>& voice, std::shared_ptr<VoiceProgress> progress,
               const std::function<void()>& unstick) {
    struct Done {
        std::mutex mutex;
        std::condition_variable changed;
        bool done = false;
    };
    const auto state = std::make_shared<Done>();
    const auto start = Clock::now();
    std::thread([state, voice = std::move(voice), progress]() mutable {
        voice.reset();
        const std::lock_guard lock(state->mutex);
        state->done = true;
        state->changed.notify_all();
    }).detach();
    std::unique_lock lock(state->mutex);
    if (state->changed.wait_for(lock, 1s, [&] { return state->done; }))
        return secondsSince(start);
    unstick();
    if (!state->changed.wait_for(lock, 40s, [&] { return state->done; })) {
        std::printf("the voice's destructor has not returned after 40 s either\n");
        std::fflush(stdout);
        std::_Exit(1);
    }
    return secondsSince(start);
}

// The stand-in speech service, in a directory of its own, misbehaving as told.
class StandIn {
public:
    explicit StandIn(const QString& misbehaviour)
        : directory_(QDir::tempPath() + "/quorvel-ssip-" + QString::number(getpid())) {
        QDir(directory_).removeRecursively();
        QDir().mkpath(directory_ + "/config/speech-dispatcher");
        // libspeechd must not start the real server where the stand-in is meant to be.
        QFile conf(directory_ + "/config/speech-dispatcher/speechd.conf");
        if (conf.open(QIODevice::WriteOnly))
            conf.write("DisableAutoSpawn\n");
        setenv("XDG_CONFIG_HOME", QFile::encodeName(directory_ + "/config").constData(), 1);
        setenv("SPEECHD_ADDRESS", QFile::encodeName("unix_socket:" + socket()).constData(), 1);
        std::vector<std::string> arguments = {"python3", QUORVEL_SSIP_STAND_IN,
                                              QFile::encodeName(directory_).toStdString()};
        for (const QString& word : misbehaviour.split(' ', Qt::SkipEmptyParts))
            arguments.push_back(word.toStdString());
        process_ = std::make_unique<ChildProcess>(arguments, directory_ + "/trace");
        for (int i = 0; i < 250 && !ready() && process_->running(); ++i)
            std::this_thread::sleep_for(20ms);
    }
    ~StandIn() {
        process_.reset();
        QDir(directory_).removeRecursively();
    }

    bool ready() const { return trace().contains(" ready\n"); }
    void stop() { process_->stop(); }
    QString socket() const { return directory_ + "/ssip.sock"; }
    QString trace() const {
        QFile file(directory_ + "/trace");
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // Each message it played to its end: when it began (seconds of the steady clock), in which
    // language, and its text.
    struct Spoken {
        double start;
        QString language, text;
    };
    std::vector<Spoken> spoken() const {
        std::vector<Spoken> all;
        QFile file(directory_ + "/spoken");
        if (file.open(QIODevice::ReadOnly))
            for (const QByteArray& line : file.readAll().split('\n')) {
                const QStringList fields = QString::fromUtf8(line).split('\t');
                if (fields.size() == 4 && fields[0] == "spoke")
                    all.push_back({fields[1].toDouble(), fields[2], fields[3]});
            }
        return all;
    }

private:
    QString directory_;
    std::unique_ptr<ChildProcess> process_;
};

enum class Heard { either, service, builtIn }; // by which voice a Say must be heard

struct Misbehaviour {
    const char* name;
    const char* standIn; // the stand-in's misbehaviours
    std::array<Heard, 2> by;
    std::chrono::milliseconds pause{0}; // the soonest the second Say follows the first
};

void PrintTo(const Misbehaviour& row, std::ostream* out) {
    *out << row.name;
}

// A Say, and when the built-in voice was first heard after it.
struct Said {
    Clock::time_point at;
    std::optional<double> builtIn; // seconds after the Say
};

// Says the text and listens until the voice is done with it and the capture holds all it played,
// or for 3.5 s at most, when a user would press Say again.
Said sayAndListen(DesktopVoice& voice, const VoiceProgress& progress, const QString& text) {
    const AlsaCapture& capture = sharedCapture();
    const std::size_t from = capture.samples().size();
    const int done = progress.requestsDone() + 1;
    Said said{Clock::now(), std::nullopt};
    voice.Speak(text);
    std::size_t size = from;
    for (int unchanged = 0; unchanged < 5 && secondsSince(said.at) < 3.5;) {
        const bool finished = progress.requestsDone() >= done; // before the capture is read
        const std::vector<std::int16_t> samples = capture.samples();
        if (!said.builtIn && std::any_of(samples.begin() + long(std::min(from, samples.size())),
                                         samples.end(), [](auto s) { return std::abs(s) >= 300; }))
            said.builtIn = secondsSince(said.at);
        unchanged = finished && samples.size() == size ? unchanged + 1 : 0;
        size = samples.size();
        std::this_thread::sleep_for(10ms);
    }
    return said;
}

class ServiceMisbehaves : public ::testing::TestWithParam<Misbehaviour> {};

// Each Say is heard within 3 s, through the service or the built-in voice, never both; standard
// error says at most one line, and exactly one when the built-in voice was heard; the voice's
// destructor returns within a second, whether it is called when all is done, at once, or just
// after a Say.
TEST_P(ServiceMisbehaves, EachSayIsHeardOnceAndSoon) {
    const Misbehaviour& row = GetParam();
    AlsaCapture& capture = sharedCapture();
    StandIn standIn(row.standIn);
    ASSERT_TRUE(standIn.ready()) << standIn.trace().toStdString();
    capture.clear();

    ErrorsCaught caught;
    auto progress = std::make_shared<VoiceProgress>();
    auto voice = std::make_unique<DesktopVoice>(progress->watch());
    std::array<Said, 2> said;
    said[0] = sayAndListen(*voice, *progress, announcements[0]);
    std::this_thread::sleep_until(said[0].at + row.pause);
    said[1] = sayAndListen(*voice, *progress, announcements[1]);
    EXPECT_LE(destroy(voice, progress, [&] { standIn.stop(); }), 1.0);
    const std::string errors = caught.text();

    const std::vector<StandIn::Spoken> spoken = standIn.spoken();
    double builtInExpected = 0;
    for (std::size_t i = 0; i < said.size(); ++i) {
        std::optional<double> service;
        for (const StandIn::Spoken& message : spoken)
            if (message.text.simplified() == announcements[i].simplified()) {
                EXPECT_FALSE(service) << "the service read Say " << i + 1 << " twice";
                service = message.start -
                          std::chrono::duration<double>(said[i].at.time_since_epoch()).count();
            }
        const std::optional<double> builtIn = said[i].builtIn;
        std::printf("Say %zu heard after: service %.3f s, built-in %.3f s\n", i + 1,
                    service.value_or(-1), builtIn.value_or(-1));
        EXPECT_TRUE(service || builtIn) << "Say " << i + 1 << " was not heard";
        EXPECT_FALSE(service && builtIn) << "Say " << i + 1 << " was heard through both";
        EXPECT_LE(service ? *service : builtIn.value_or(0), 3.0) << "Say " << i + 1;
        EXPECT_TRUE(row.by[i] != Heard::service || service)
            << "Say " << i + 1 << " is not heard in the user's voice";
        EXPECT_TRUE(row.by[i] != Heard::builtIn || (builtIn && !service))
            << "Say " << i + 1 << " is not heard in the built-in voice";
        if (builtIn)
            builtInExpected +=
                sum(spokenStretches(espeakRendering(announcements[i], capture.scratchDirectory())));
    }
    for (const StandIn::Spoken& message : spoken)
        EXPECT_TRUE(message.language.startsWith("en"))
            << "read in " << message.language.toStdString();
    // Nothing twice: the built-in voice said as much as espeak-ng's own rendering of what it read.
    const double builtInHeard = sum(spokenStretches(capture.samples()));
    std::printf("built-in voice heard for %.2f s; espeak-ng's rendering of what it read: %.2f s\n",
                builtInHeard, builtInExpected);
    EXPECT_NEAR(builtInHeard, builtInExpected, 0.25 * builtInExpected + 0.15);
    EXPECT_LE(lineCount(errors), 1) << errors;
    if (said[0].builtIn || said[1].builtIn) {
        EXPECT_EQ(lineCount(errors), 1) << "the built-in voice speaks, and nothing says why";
        EXPECT_NE(errors.find("speech-dispatcher"), std::string::npos) << errors;
    }

    // The destructor at once (while the voice connects) and at a moment after a Say.
    const std::array<std::chrono::milliseconds, 4> moments = {0ms, 150ms, 600ms, 1400ms};
    const auto moment = moments[std::hash<std::string>{}(row.name) % moments.size()];
    for (const bool say : {false, true}) {
        ErrorsCaught caughtLater;
        progress = std::make_shared<VoiceProgress>();
        voice = std::make_unique<DesktopVoice>(progress->watch());
        if (say) {
            voice->Speak(announcements[0]);
            std::this_thread::sleep_for(moment);
        }
        EXPECT_LE(destroy(voice, progress, [&] { standIn.stop(); }), 1.0)
            << (say ? "after a Say" : "at once");
        const std::string later = caughtLater.text();
        EXPECT_LE(lineCount(later), 1) << later;
    }
    if (HasFailure())
        std::printf("standard error:\n%s\nthe stand-in's trace:\n%s", errors.c_str(),
                    standIn.trace().toUtf8().constData());
}

constexpr auto either = std::array{Heard::either, Heard::either};

INSTANTIATE_TEST_SUITE_P(
    Rows, ServiceMisbehaves,
    ::testing::Values(
        Misbehaviour{"Healthy", "", {Heard::service, Heard::service}},
        Misbehaviour{"NothingListens", "absent", either},
        Misbehaviour{"HangsUpOnEveryConnection", "close-at-once", either},
        Misbehaviour{"NeverAcceptsAConnection", "never-accept", either},
        Misbehaviour{"AcceptsOnlyAfterThreeSeconds",
                     "accept-after=3",
                     {Heard::either, Heard::service},
                     3500ms},
        Misbehaviour{"ListensOnlyAfterThreeSeconds",
                     "listen-after=3",
                     {Heard::either, Heard::service},
                     3500ms},
        Misbehaviour{"HangsUpAtClientName", "hang-up=CLIENT_NAME", either},
        Misbehaviour{"HangsUpAtClientId", "hang-up=CLIENT_ID", either},
        Misbehaviour{"HangsUpAtSsmlMode", "hang-up=SSML_MODE", either},
        Misbehaviour{"HangsUpAtNotification", "hang-up=NOTIFICATION", either},
        Misbehaviour{"HangsUpAtLanguage", "hang-up=LANGUAGE", either},
        Misbehaviour{"HangsUpAtSynthesisVoices", "hang-up=SYNTHESIS_VOICES", either},
        Misbehaviour{"HangsUpAtPriority", "hang-up=PRIORITY", either},
        Misbehaviour{"HangsUpAtSpeak", "hang-up=SPEAK", either},
        Misbehaviour{"HangsUpAtTheTextsEnd", "hang-up=DATA", either},
        Misbehaviour{"HangsUpOnceQueued", "hang-up=QUEUED", either},
        Misbehaviour{"HangsUpAtBegin", "hang-up=BEGIN", either},
        Misbehaviour{"HangsUpAtTheFirstMark", "hang-up=MARK", either},
        Misbehaviour{"AnswersSpeakLate", "late=SPEAK", either},
        Misbehaviour{"NeverAnswersItsClientName", "silent=CLIENT_NAME", either},
        Misbehaviour{"NeverAnswersTheTextsEnd", "silent=DATA", either},
        Misbehaviour{"NoClientId", "malformed=CLIENT_ID", either},
        Misbehaviour{"NoMessageId", "malformed=DATA", either},
        Misbehaviour{"GarbledNotifications", "bad-event", either},
        Misbehaviour{"BeginsAndThenNothing", "begin-only", either},
        Misbehaviour{"EndWithoutMarks", "no-marks", either},
        Misbehaviour{"BeginsThenNothingAndIgnoresCancel", "begin-only ignore-cancel", either},
        Misbehaviour{"GermanByDefault", "language=de", {Heard::service, Heard::service}},
        Misbehaviour{
            "AnotherClientCutsTheFirstSay", "cut-first", {Heard::service, Heard::service}}),
    [](const auto& info) { return std::string(info.param.name); });

// When the sound server stops, relative to what the voice is doing.
enum class Stop { whileTheBuiltInVoiceLoads, beforeTheFirstSay, midSay };

struct Stopping {
    const char* name;
    bool service; // a private speech-dispatcher, or none
    Stop when;
};

void PrintTo(const Stopping& row, std::ostream* out) {
    *out << row.name;
}

class SoundServerStops : public ::testing::TestWithParam<Stopping> {};

// Whatever the voice is doing when the sound server stops, nothing crashes and the voice's
// destructor returns within a second.
TEST_P(SoundServerStops, TheVoiceStillEndsAtOnce) {
    const Stopping& row = GetParam();
    PrivateSpeechService sound(row.service, "DisableAutoSpawn");
    ASSERT_TRUE(sound.ready()) << sound.directory().toStdString();
    if (!row.service)
        setenv("SPEECHD_ADDRESS",
               QFile::encodeName("unix_socket:" + sound.directory() + "/none.sock").constData(), 1);
    const pid_t server = sound.soundServerPid();
    const auto stop = [server] { EXPECT_EQ(kill(server, SIGSTOP), 0); };

    ErrorsCaught caught;
    if (row.when == Stop::whileTheBuiltInVoiceLoads)
        stop();
    auto progress = std::make_shared<VoiceProgress>();
    auto voice = std::make_unique<DesktopVoice>(progress->watch());
    if (row.when == Stop::beforeTheFirstSay) {
        EXPECT_TRUE(progress->waitForEngine(5s));
        stop();
    }
    voice->Speak("Telephone number: 0 1 2 3 4 5 6 7 8 9 ");
    if (row.when == Stop::midSay) {
        EXPECT_TRUE(sound.waitForSound(5s));
        stop();
    }
    std::this_thread::sleep_for(1500ms); // the voice meets the stopped server
    const double destroying = destroy(voice, progress, [&] { kill(server, SIGCONT); });
    kill(server, SIGCONT);
    const std::string errors = caught.text();
    std::printf("destroyed in %.3f s; standard error:\n%s", destroying, errors.c_str());
    EXPECT_LE(destroying, 1.0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SoundServerStops,
    ::testing::Values(Stopping{"WhileTheBuiltInVoiceLoads", false, Stop::whileTheBuiltInVoiceLoads},
                      Stopping{"BeforeTheFirstSayToSpeechDispatcher", true,
                               Stop::beforeTheFirstSay},
                      Stopping{"MidSayOnSpeechDispatcher", true, Stop::midSay},
                      Stopping{"MidSayOnTheBuiltInVoice", false, Stop::midSay}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
