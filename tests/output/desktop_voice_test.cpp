// The desktop's voice against a private speech-dispatcher and sound server, recorded from the
// sound server's monitor; expectations come from espeak-ng's own command-line rendering.

#include "output/speech/desktop_voice.h"

#include "private_speech_service.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const QString announcement = "Telephone number: 0 1 2 ";

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Follows a DesktopVoice through its watches.
class Progress {
public:
    DesktopVoiceWatch watch() {
        DesktopVoiceWatch watch;
        watch.chosen = [this](ChosenVoice voice) { note([&] { chosen_ = voice; }); };
        watch.speechDispatcher.requestDone = [this] { note([&] { ++done_; }); };
        watch.espeak.requestDone = watch.speechDispatcher.requestDone;
        return watch;
    }
    std::optional<ChosenVoice> waitForChoice(std::chrono::milliseconds timeout = 5s) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return chosen_.has_value(); });
        return chosen_;
    }
    bool waitForRequests(int count, std::chrono::milliseconds timeout = 30s) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return done_ >= count; });
    }

private:
    template <typename Change> void note(Change change) {
        {
            const std::lock_guard lock(mutex_);
            change();
        }
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<ChosenVoice> chosen_;
    int done_ = 0;
};

// Speech heard against the espeak-ng rendering of the same texts: the total length of speech,
// as a ratio, and where asked the stretches one by one (which shows the order).
struct Speaking {
    const char* name;
    const char* userSettings;
    std::vector<QString> texts;
    double shortest, longest; // ratio of the heard length of speech to espeak-ng's
    bool stretchByStretch;
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
        Progress progress;
        DesktopVoice voice(progress.watch());
        for (const QString& text : row.texts)
            voice.Speak(text); // at once, before the voice is chosen
        ASSERT_EQ(progress.waitForChoice(), ChosenVoice::speechDispatcher);
        ASSERT_TRUE(progress.waitForRequests(int(row.texts.size())));
    }
    const std::vector<double> heard = spokenStretches(service.recorded());
    const double ratio = sum(heard) / sum(expected);
    EXPECT_GE(ratio, row.shortest);
    EXPECT_LE(ratio, row.longest);
    if (row.stretchByStretch) {
        ASSERT_EQ(heard.size(), expected.size());
        for (std::size_t i = 0; i < heard.size(); ++i)
            EXPECT_NEAR(heard[i], expected[i], 0.25 * expected[i] + 0.03) << "stretch " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ServiceSpeaks,
    ::testing::Values(
        Speaking{"TheAnnouncement", "", {announcement}, 0.8, 1.25, true},
        Speaking{"TwoQuickSaysBothInOrder", "", {announcement, "hash"}, 0.8, 1.25, true},
        Speaking{"TheUsersFasterRate", "DefaultRate 50", {announcement}, 0.3, 0.8, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A fault made to happen, and what the voice must do about it.
struct Fault {
    const char* name;
    bool withServer;
    // Makes the fault with the voice speaking; returns how long the voice may take to be done
    // with `requests` requests from then on.
    std::function<std::chrono::milliseconds(PrivateSpeechService&, DesktopVoice&, int& requests)>
        make;
    const char* line; // what standard error says, once; "" for nothing
    bool silentAfterDestroying;
};

void PrintTo(const Fault& row, std::ostream* out) {
    *out << row.name;
}

class ServiceFaults : public ::testing::TestWithParam<Fault> {};

TEST_P(ServiceFaults, NeverHoldTheVoiceUp) {
    const Fault& row = GetParam();
    PrivateSpeechService service(row.withServer);
    ASSERT_TRUE(service.ready()) << service.directory().toStdString();
    if (!row.withServer)
        setenv(
            "SPEECHD_ADDRESS",
            ("unix_socket:" + service.directory().toStdString() + "/nowhere/speechd.sock").c_str(),
            1);

    testing::internal::CaptureStderr();
    Progress progress;
    auto voice = std::make_unique<DesktopVoice>(progress.watch());
    int requests = 0;
    const std::chrono::milliseconds bound = row.make(service, *voice, requests);
    const auto faulted = Clock::now();
    EXPECT_TRUE(progress.waitForRequests(requests, bound + 2s));
    EXPECT_LT(secondsSince(faulted), std::chrono::duration<double>(bound + 1s).count());

    const auto destroying = Clock::now();
    voice.reset();
    EXPECT_LT(secondsSince(destroying), 0.15);
    const std::string errors = testing::internal::GetCapturedStderr();
    if (*row.line == '\0') {
        EXPECT_EQ(errors, "");
    } else {
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
        EXPECT_NE(errors.find(row.line), std::string::npos) << errors;
    }
    if (row.silentAfterDestroying) {
        std::this_thread::sleep_for(700ms);
        const std::vector<std::int16_t> samples = service.recorded();
        const std::size_t tail = std::min<std::size_t>(samples.size(), 11025); // half a second
        EXPECT_TRUE(
            spokenStretches(std::vector<std::int16_t>(samples.end() - long(tail), samples.end()))
                .empty())
            << "speech goes on after the voice is gone";
    }
    if (service.modulePid() > 0)
        kill(service.modulePid(), SIGCONT);
}

const QString longText = "Twinkle. Twinkle little star. i wonder what you are. Twinkle. Twinkle "
                         "little star. i wonder what you are.";

INSTANTIATE_TEST_SUITE_P(
    Rows, ServiceFaults,
    ::testing::Values(
        Fault{"NoServiceMeansEspeakWithinTheBound", false,
              [](PrivateSpeechService& service, DesktopVoice& voice, int& requests) {
                  voice.Speak("hash");
                  requests = 1;
                  EXPECT_TRUE(service.waitForSound(DesktopVoice::connectionBound + 3s))
                      << "the built-in voice was not heard";
                  return DesktopVoice::connectionBound;
              },
              "speech-dispatcher cannot be reached", false},
        Fault{"ModuleThatNeverEndsIsGivenUp", true,
              [](PrivateSpeechService& service, DesktopVoice& voice, int& requests) {
                  voice.Speak("1 2 3");
                  EXPECT_TRUE(service.waitForSound(5s));
                  EXPECT_EQ(kill(service.modulePid(), SIGSTOP), 0);
                  voice.Speak("4");
                  requests = 2;
                  return SpeechDispatcherVoice::speakingBound("1 2 3") +
                         SpeechDispatcherVoice::speakingBound("4");
              },
              "did not finish reading a request in time", false},
        Fault{"StoppedServerIsLeftToEspeak", true,
              [](PrivateSpeechService& service, DesktopVoice& voice, int& requests) {
                  voice.Speak("1");
                  EXPECT_TRUE(service.waitForSound(5s));
                  std::this_thread::sleep_for(1s); // "one" is over
                  EXPECT_EQ(kill(service.serverPid(), SIGSTOP), 0);
                  voice.Speak("hash");
                  requests = 2;
                  return SpeechDispatcherVoice::answerBound + 1s;
              },
              "speech-dispatcher stopped answering", false},
        Fault{"ClosingMidSpeechSilencesIt", true,
              [](PrivateSpeechService& service, DesktopVoice& voice, int& requests) {
                  voice.Speak(longText);
                  voice.Speak(longText);
                  EXPECT_TRUE(service.waitForSound(5s));
                  requests = 0;
                  return std::chrono::milliseconds(0);
              },
              "", true},
        Fault{"ClosingWithTheServerStoppedEndsAtOnce", true,
              [](PrivateSpeechService& service, DesktopVoice& voice, int& requests) {
                  voice.Speak(longText);
                  EXPECT_TRUE(service.waitForSound(5s));
                  EXPECT_EQ(kill(service.serverPid(), SIGSTOP), 0);
                  requests = 0;
                  return std::chrono::milliseconds(0);
              },
              "", false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
