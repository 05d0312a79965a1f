// The desktop's voice against a private speech-dispatcher and sound server, recorded from the
// sound server's monitor; expectations come from espeak-ng's own command-line rendering.

#include "output/speech/desktop_voice.h"
#include "output/speech/speech_dispatcher_engine.h"

#include "private_speech_service.h"
#include "voice_progress.h"

#include <gtest/gtest.h>

#include <QFile>

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const QString announcement = "Telephone number: 0 1 2 ";

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Speech heard against the espeak-ng rendering of the same texts: the total length of speech,
// as a ratio, and where asked the stretches one by one (which shows the order).
struct Speaking {
    const char* name;
    const char* userSettings;
    std::vector<QString> texts;
    double shortest, longest; // ratio of the heard length of speech to espeak-ng's
    bool stretchByStretch;
    bool englishNotGerman = false;
};

void PrintTo(const Speaking& row, std::ostream* out) {
    *out << row.name;
}

class ServiceSpeaks : public ::testing::TestWithParam<Speaking> {};

TEST_P(ServiceSpeaks, AsTheUserSetItUp) {
    const Speaking& row = GetParam();
    PrivateSpeechService service(true, row.userSettings);
    ASSERT_TRUE(service.ready()) << service.directory().toStdString();

    std::vector<double> expected;
    for (const QString& text : row.texts) {
        const std::vector<double> alone =
            spokenStretches(espeakRendering(text, service.directory()));
        ASSERT_FALSE(alone.empty()) << text.toStdString();
        expected.insert(expected.end(), alone.begin(), alone.end());
    }
    {
        VoiceProgress progress;
        DesktopVoice voice(progress.watch());
        for (const QString& text : row.texts)
            voice.Speak(text); // at once, before the voice is chosen
        ASSERT_EQ(progress.waitForEngine(), Engine::speechDispatcher);
        ASSERT_TRUE(progress.waitForRequests(int(row.texts.size())));
        EXPECT_EQ(progress.engines().size(), 1u) << "the service was given up";
    }
    if (row.englishNotGerman) {
        const auto shape = spectralShape(service.recorded());
        const QString text = row.texts.front();
        const double english =
            distance(shape, spectralShape(espeakRendering(text, service.directory())));
        const double german =
            distance(shape, spectralShape(espeakRendering(text, service.directory(), "de")));
        std::printf("spectral distance to the English rendering %.2f, to the German %.2f\n",
                    english, german);
        EXPECT_LT(english, german) << "read in German";
    }
    const std::vector<double> heard = spokenStretches(service.recorded());
    const double ratio = sum(heard) / sum(expected);
    EXPECT_GE(ratio, row.shortest);
    EXPECT_LE(ratio, row.longest);
    if (row.stretchByStretch) {
        const auto seconds = [](const std::vector<double>& stretches) {
            std::string text;
            for (const double stretch : stretches)
                text += std::to_string(stretch) + " ";
            return text;
        };
        ASSERT_EQ(heard.size(), expected.size()) << seconds(heard) << "/ " << seconds(expected);
        for (std::size_t i = 0; i < heard.size(); ++i)
            EXPECT_NEAR(heard[i], expected[i], 0.25 * expected[i] + 0.03) << "stretch " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ServiceSpeaks,
    ::testing::Values(
        Speaking{"TheAnnouncement", "", {announcement}, 0.8, 1.25, true},
        Speaking{"TwoQuickSaysBothInOrder", "", {announcement, "hash"}, 0.8, 1.25, true},
        Speaking{"APhraseWithAnApostrophe", "", {"Don't dial it here!"}, 0.8, 1.25, false},
        Speaking{"TheUsersFasterRate", "DefaultRate 50", {announcement}, 0.3, 0.8, false},
        // Its first word ends a sentence, after which the module's marks come late.
        Speaking{"TheStarPhrase",
                 "",
                 {"Twinkle. Twinkle little star. i wonder what you are."},
                 0.8,
                 1.25,
                 false},
        // The phrases are English, whatever language the user reads in otherwise.
        Speaking{"AGermanUser", "DefaultLanguage \"de\"", {announcement}, 0.7, 1.4, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Where the voice finds its speech service.
enum class Service {
    none,         // an address where nothing listens
    running,      // a private speech-dispatcher
    hangsUp,      // a server that answers the first line and then closes
    lowFileLimit, // a speech-dispatcher started by the voice under a file limit of 20
    mute,         // a private speech-dispatcher whose output module cannot open the sound device
};

// A fault made to happen, and what the voice must do about it.
struct Fault {
    const char* name;
    Service service;
    // Makes the fault with the voice speaking; returns how long the voice may take to be done
    // with `requests` requests from then on.
    std::function<std::chrono::milliseconds(PrivateSpeechService&, DesktopVoice&, VoiceProgress&,
                                            int& requests)>
        make;
    const char* line; // what standard error says, once; "" for nothing
    bool silentAfterDestroying;
};

void PrintTo(const Fault& row, std::ostream* out) {
    *out << row.name;
}

// Answers the first line as speech-dispatcher does, then hangs up; again for every connection.
const char* hangingUpServer = R"(
import os, socket, sys
server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
server.bind(sys.argv[1])
server.listen(5)
while True:
    client, _ = server.accept()
    client.recv(1000)
    client.sendall(b"208 OK CLIENT NAME SET\r\n")
    client.close()
)";

// Seconds from now until the sink plays speech, or -1 when it does not within the timeout.
double secondsUntilSpeech(const PrivateSpeechService& service, std::chrono::milliseconds timeout) {
    const std::size_t from = service.recorded().size();
    const auto end = Clock::now() + timeout;
    while (Clock::now() < end) {
        const std::vector<std::int16_t> samples = service.recorded();
        const auto loud = std::find_if(samples.begin() + long(std::min(from, samples.size())),
                                       samples.end(), [](auto s) { return s < -300 || s > 300; });
        if (loud != samples.end())
            return double(loud - samples.begin() - long(from)) / PrivateSpeechService::sampleRate;
        std::this_thread::sleep_for(20ms);
    }
    return -1;
}

// Says the number, and 1.5 s into it makes the server and its output module receive `signal`;
// a moment later says "hash", which must be heard within 2 s.
std::chrono::milliseconds faultMidSentence(PrivateSpeechService& service, DesktopVoice& voice,
                                           int& requests, int signal) {
    voice.Speak("Telephone number: 0 1 2 3 4 5 6 7 8 9 ");
    EXPECT_TRUE(service.waitForSound(5s));
    std::this_thread::sleep_for(1500ms);
    const pid_t module = service.modulePid();
    EXPECT_EQ(kill(service.serverPid(), signal), 0);
    EXPECT_EQ(kill(module, signal), 0);
    std::this_thread::sleep_for(200ms); // the user presses a key, then Say
    const auto said = Clock::now();
    voice.Speak("hash");
    const double heard = secondsUntilSpeech(service, 5s);
    std::printf("Say to speech at the sink after the fault: %.3f s\n", heard);
    EXPECT_GE(heard, 0) << "nothing heard";
    EXPECT_LE(heard, 2.0);
    requests = 2;
    return std::chrono::duration_cast<std::chrono::milliseconds>(10s - (Clock::now() - said));
}

class ServiceFaults : public ::testing::TestWithParam<Fault> {};

TEST_P(ServiceFaults, NeverHoldTheVoiceUp) {
    const Fault& row = GetParam();
    PrivateSpeechService service(row.service == Service::running || row.service == Service::mute,
                                 row.service == Service::mute ? "AudioOutputMethod \"oss\"" : "");
    ASSERT_TRUE(service.ready()) << service.directory().toStdString();
    const std::string socket = service.directory().toStdString() + "/fake.sock";
    std::unique_ptr<ChildProcess> fake;
    if (row.service == Service::none)
        setenv("SPEECHD_ADDRESS", ("unix_socket:" + socket).c_str(), 1);
    if (row.service == Service::hangsUp) {
        fake = std::make_unique<ChildProcess>(
            std::vector<std::string>{"python3", "-c", hangingUpServer, socket},
            service.directory() + "/fake.log");
        for (int i = 0; i < 250 && access(socket.c_str(), F_OK) != 0; ++i)
            std::this_thread::sleep_for(20ms);
        setenv("SPEECHD_ADDRESS", ("unix_socket:" + socket).c_str(), 1);
    }
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    if (row.service == Service::lowFileLimit) {
        const rlimit low{20, files.rlim_max};
        setrlimit(RLIMIT_NOFILE, &low);
    }

    testing::internal::CaptureStderr();
    VoiceProgress progress;
    auto voice = std::make_unique<DesktopVoice>(progress.watch());
    int requests = 0;
    const std::chrono::milliseconds bound = row.make(service, *voice, progress, requests);
    const auto faulted = Clock::now();
    EXPECT_TRUE(progress.waitForRequests(requests, bound + 2s));
    EXPECT_LT(secondsSince(faulted), std::chrono::duration<double>(bound + 1s).count());

    const auto destroying = Clock::now();
    voice.reset();
    EXPECT_LT(secondsSince(destroying), 0.15);
    setrlimit(RLIMIT_NOFILE, &files);
    const std::string errors = testing::internal::GetCapturedStderr();
    if (*row.line == '\0') {
        EXPECT_EQ(errors, "");
    } else {
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
        EXPECT_NE(errors.find(row.line), std::string::npos) << errors;
    }
    if (row.silentAfterDestroying) {
        std::this_thread::sleep_for(700ms);
        EXPECT_TRUE(service.silentAtTheEnd(500ms)) << "speech goes on after the voice is gone";
    }
    if (service.modulePid() > 0)
        kill(service.modulePid(), SIGCONT);
    // A server the voice started itself.
    QFile pid(service.directory() + "/runtime/speech-dispatcher/pid/speech-dispatcher.pid");
    if (row.service == Service::lowFileLimit && pid.open(QIODevice::ReadOnly))
        kill(pid.readAll().trimmed().toInt(), SIGKILL);
}

const QString longText = "Twinkle. Twinkle little star. i wonder what you are. Twinkle. Twinkle "
                         "little star. i wonder what you are.";

// The built-in voice reads a request soon after the voice starts.
std::chrono::milliseconds espeakReads(PrivateSpeechService& service, DesktopVoice& voice,
                                      VoiceProgress& progress, int& requests) {
    voice.Speak("hash");
    requests = 1;
    EXPECT_EQ(progress.waitForEngine(), Engine::espeak);
    EXPECT_TRUE(service.waitForSound(SpeechDispatcherEngine::connectionBound + 3s))
        << "the built-in voice was not heard";
    return SpeechDispatcherEngine::connectionBound;
}

// Two Says to a server that takes requests but never speaks them: each is heard within 3 s of
// its click, the second too.
std::chrono::milliseconds muteServerSays(PrivateSpeechService& service, DesktopVoice& voice,
                                         VoiceProgress& progress, int& requests) {
    for (const char* text : {"Telephone number: 1 2 ", "Telephone number: 1 2 3 "}) {
        const int done = progress.requestsDone();
        voice.Speak(text);
        const double heard = secondsUntilSpeech(service, 5s);
        std::printf("Say to speech at the sink, mute server: %.3f s\n", heard);
        EXPECT_GE(heard, 0) << "nothing heard of " << text;
        EXPECT_LE(heard, 3.0) << text;
        EXPECT_TRUE(progress.waitForRequests(done + 1, 10s));
    }
    requests = 2;
    return std::chrono::milliseconds(0);
}

// A screen reader's message, sent by a second client while a long Say speaks, is spoken at once
// and finishes soon; the Say it cut short is not spoken again by either engine.
std::chrono::milliseconds screenReaderSpeaks(PrivateSpeechService& service, DesktopVoice& voice,
                                             VoiceProgress& progress, int& requests) {
    voice.Speak(longText);
    EXPECT_TRUE(service.waitForSound(5s));
    std::this_thread::sleep_for(1s);
    const auto sent = Clock::now();
    ChildProcess reader({"spd-say", "-w", "-P", "message", "hash push button"},
                        service.directory() + "/reader.log");
    EXPECT_TRUE(reader.waitForEnd(10s));
    const double finished = secondsSince(sent);
    std::printf("the screen reader's message finished after %.3f s\n", finished);
    EXPECT_LE(finished, 2.5);
    EXPECT_TRUE(progress.waitForRequests(1, 2s)) << "the cut Say never ended";
    std::this_thread::sleep_for(1500ms);
    EXPECT_TRUE(service.silentAtTheEnd(1s)) << "the Say that was cut short is spoken again";
    requests = 1;
    return std::chrono::milliseconds(0);
}

// A click on Say moves the focus, and the screen reader announces the button at once, cutting the
// Say before its first word: the Say is heard whole after the announcement.
std::chrono::milliseconds screenReaderCutsTheFirstWord(PrivateSpeechService& service,
                                                       DesktopVoice& voice, VoiceProgress& progress,
                                                       int& requests) {
    voice.Speak(announcement);
    EXPECT_TRUE(service.waitForSound(5s));
    ChildProcess reader({"spd-say", "-w", "-P", "message", "Say Phone Number push button"},
                        service.directory() + "/reader.log");
    EXPECT_TRUE(reader.waitForEnd(10s));
    const double again = secondsUntilSpeech(service, 3s);
    std::printf("the cut Say was heard again %.3f s after the screen reader's message\n", again);
    EXPECT_GE(again, 0) << "the Say cut before its first word was lost";
    EXPECT_TRUE(progress.waitForRequests(1, 10s));
    requests = 1;
    return std::chrono::milliseconds(0);
}

// A Say made while the screen reader reads a message of three seconds waits for it, longer than
// a mute service is given to play a word, and is then read by the service, not by the built-in
// voice over the screen reader.
std::chrono::milliseconds sayBehindScreenReader(PrivateSpeechService& service, DesktopVoice& voice,
                                                VoiceProgress& progress, int& requests) {
    EXPECT_EQ(progress.waitForEngine(), Engine::speechDispatcher);
    ChildProcess reader(
        {"spd-say", "-w", "-P", "message", "Twinkle. Twinkle little star. i wonder what you are."},
        service.directory() + "/reader.log");
    EXPECT_TRUE(service.waitForSound(5s));
    voice.Speak("hash");
    const auto said = Clock::now();
    EXPECT_TRUE(progress.waitForRequests(1, 20s));
    EXPECT_GT(secondsSince(said), 2.0) << "the Say did not wait for the screen reader";
    requests = 1;
    return std::chrono::milliseconds(0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ServiceFaults,
    ::testing::Values(
        Fault{"NoServiceMeansEspeakWithinTheBound", Service::none, espeakReads,
              "speech-dispatcher cannot be reached", false},
        Fault{"ServerThatHangsUpAfterItsFirstReply", Service::hangsUp, espeakReads,
              "speech-dispatcher cannot be reached", false},
        Fault{"StartUnderAFileLimitOfTwenty", Service::lowFileLimit, espeakReads,
              "speech-dispatcher cannot be reached", false},
        Fault{"ServerKilledMidSentence", Service::running,
              [](PrivateSpeechService& service, DesktopVoice& voice, VoiceProgress&,
                 int& requests) { return faultMidSentence(service, voice, requests, SIGKILL); },
              "speech-dispatcher hung up", false},
        Fault{"ServerStoppedMidSentence", Service::running,
              [](PrivateSpeechService& service, DesktopVoice& voice, VoiceProgress&,
                 int& requests) { return faultMidSentence(service, voice, requests, SIGSTOP); },
              "speech-dispatcher stopped answering", false},
        Fault{
            "ModuleThatNeverEndsIsGivenUp", Service::running,
            [](PrivateSpeechService& service, DesktopVoice& voice, VoiceProgress&, int& requests) {
                voice.Speak("1 2 3");
                EXPECT_TRUE(service.waitForSound(5s));
                EXPECT_EQ(kill(service.modulePid(), SIGSTOP), 0);
                voice.Speak("4");
                requests = 2;
                return SpeechDispatcherEngine::speakingBound("1 2 3") +
                       SpeechDispatcherEngine::speakingBound("4");
            },
            "did not finish reading a request in time", false},
        Fault{
            "StoppedServerIsLeftToEspeak", Service::running,
            [](PrivateSpeechService& service, DesktopVoice& voice, VoiceProgress&, int& requests) {
                voice.Speak("1");
                EXPECT_TRUE(service.waitForSound(5s));
                std::this_thread::sleep_for(1s); // "one" is over
                EXPECT_EQ(kill(service.serverPid(), SIGSTOP), 0);
                voice.Speak("hash");
                requests = 2;
                return SpeechDispatcherEngine::answerBound + 1s;
            },
            "speech-dispatcher stopped answering", false},
        Fault{"MuteServerIsLeftToEspeak", Service::mute, muteServerSays,
              "takes requests but plays none", false},
        Fault{"ScreenReaderComesFirst", Service::running, screenReaderSpeaks, "", false},
        Fault{"ScreenReaderCutsTheFirstWord", Service::running, screenReaderCutsTheFirstWord, "",
              false},
        Fault{"SayWaitsBehindTheScreenReader", Service::running, sayBehindScreenReader, "", false},
        Fault{
            "ClosingMidSpeechSilencesIt", Service::running,
            [](PrivateSpeechService& service, DesktopVoice& voice, VoiceProgress&, int& requests) {
                voice.Speak(longText);
                voice.Speak(longText);
                EXPECT_TRUE(service.waitForSound(5s));
                requests = 0;
                return std::chrono::milliseconds(0);
            },
            "", true},
        Fault{
            "ClosingWithTheServerStoppedEndsAtOnce", Service::running,
            [](PrivateSpeechService& service, DesktopVoice& voice, VoiceProgress&, int& requests) {
                voice.Speak(longText);
                EXPECT_TRUE(service.waitForSound(5s));
                EXPECT_EQ(kill(service.serverPid(), SIGSTOP), 0);
                requests = 0;
                return std::chrono::milliseconds(0);
            },
            "", false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
