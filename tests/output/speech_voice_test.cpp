#include "output/speech/desktop_voice.h"

#include "alsa_capture.h"
#include "sound_stretches.h"
#include "voice_progress.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

using Samples = std::vector<std::int16_t>;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr double sampleRate = 22050;

const QString announcement = "Telephone number: 0 1 2 ";
const QString twinkle = "Twinkle. Twinkle little star. i wonder what you are.";

QString repeated(const QString& sentence, int times) {
    QStringList copies;
    for (int i = 0; i < times; ++i)
        copies.append(sentence);
    return copies.join(' ');
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class SpeechVoiceTest : public ::testing::Test {
protected:
    AlsaCapture& capture = sharedCapture();

    void SetUp() override { capture.clear(); }

    // Whether the device has taken the first samples of speech.
    bool waitForSound() {
        for (int i = 0; i < 1500 && capture.samples().empty(); ++i)
            std::this_thread::sleep_for(20ms);
        return !capture.samples().empty();
    }

    // What the device received for this one text, spoken by a voice of its own to the end.
    Samples spokenAlone(const QString& text) {
        capture.clear();
        {
            VoiceProgress progress;
            DesktopVoice voice(progress.watch(), false);
            voice.Speak(text);
            EXPECT_TRUE(progress.waitForRequests(1)) << text.toStdString();
        }
        Samples samples = capture.samples();
        capture.clear();
        return samples;
    }
};

// First in the file, so that it meets the engine not yet loaded even when all the tests run in
// one process (ctest gives each test a process of its own).
TEST_F(SpeechVoiceTest, EngineLoadsInTheBackgroundAndEarlyRequestsAreKept) {
    {
        VoiceProgress progress;
        DesktopVoice voice(progress.watch(), false);
        // Made before the engine can have loaded.
        voice.Speak("hash");
        voice.Speak("hash");
        ASSERT_EQ(progress.waitForEngine(), Engine::espeak);
        // Chosen, and so loaded, off the caller's thread: the window never waits for the engine.
        EXPECT_NE(progress.voiceThread(), std::this_thread::get_id());
        ASSERT_TRUE(progress.waitForRequests(2));
    }
    const Samples twice = capture.samples();
    const std::vector<long> hash = soundStretches(spokenAlone("hash"));
    std::vector<long> expected = hash;
    expected.insert(expected.end(), hash.begin(), hash.end());
    EXPECT_EQ(stretchDifference(soundStretches(twice), expected), "");
}

TEST_F(SpeechVoiceTest, AnnouncementBecomesSpeechOfPlausibleLength) {
    const Samples speech = spokenAlone(announcement);
    const double seconds = double(speech.size()) / sampleRate;
    EXPECT_GT(seconds, 1.5);
    EXPECT_LT(seconds, 4.0);
    EXPECT_GT(loudness(speech), 1000.0);
    // "Telephone number", then each digit as a word of its own.
    EXPECT_GE(soundStretches(speech).size(), 4u);

    // Key names are words too: each takes about as long as a digit, not a letter-by-letter spell.
    for (const QString& name : {QString("star"), QString("hash")}) {
        const Samples word = spokenAlone(name);
        EXPECT_GT(double(word.size()) / sampleRate, 0.2) << name.toStdString();
        EXPECT_LT(double(word.size()) / sampleRate, 1.0) << name.toStdString();
        EXPECT_GT(loudness(word), 1000.0) << name.toStdString();
    }
}

TEST_F(SpeechVoiceTest, RequestsMadeTogetherAreSpokenWholeAndInOrder) {
    const QStringList texts = {announcement, "hash", "1 1 8 1 1 8. Got your number!", twinkle};
    std::vector<long> expected;
    for (const QString& text : texts) {
        const std::vector<long> alone = soundStretches(spokenAlone(text));
        ASSERT_FALSE(alone.empty()) << text.toStdString();
        expected.insert(expected.end(), alone.begin(), alone.end());
    }

    {
        VoiceProgress progress;
        DesktopVoice voice(progress.watch(), false);
        for (const QString& text : texts)
            voice.Speak(text);
        ASSERT_TRUE(progress.waitForRequests(int(texts.size())));
    }
    const std::vector<long> heard = soundStretches(capture.samples());
    EXPECT_EQ(stretchDifference(heard, expected), "");
}

TEST_F(SpeechVoiceTest, SpeakReturnsAtOnceWhileBusyAndKeepsEveryRequest) {
    // Long enough that synthesizing it keeps the voice busy for a good while.
    const QString longText = repeated(twinkle, 100);
    const std::vector<long> longStretches = soundStretches(spokenAlone(longText));
    const std::vector<long> one = soundStretches(spokenAlone("1"));
    ASSERT_EQ(one.size(), 1u);

    constexpr int requests = 1000;
    double slowest = 0;
    {
        VoiceProgress progress;
        DesktopVoice voice(progress.watch(), false);
        voice.Speak(longText);
        ASSERT_TRUE(waitForSound());
        for (int i = 0; i < requests; ++i) {
            const auto start = Clock::now();
            voice.Speak("1");
            slowest = std::max(slowest, millisecondsSince(start));
        }
        EXPECT_LT(progress.requestsDone(), 1) << "the voice was not busy while the requests came";
        ASSERT_TRUE(progress.waitForRequests(1 + requests));
    }
    // Generous: only waiting for the voice would take this long.
    EXPECT_LT(slowest, 50.0);

    std::vector<long> expected = longStretches;
    expected.insert(expected.end(), requests, one.front());
    const std::vector<long> heard = soundStretches(capture.samples());
    EXPECT_EQ(stretchDifference(heard, expected), "");
}

TEST_F(SpeechVoiceTest, DestroyingTheVoiceCutsSpeechShortAndDropsTheQueue) {
    const double twinkleSamples = double(spokenAlone(twinkle).size());
    ASSERT_GT(twinkleSamples, 0);
    const QString longText = repeated(twinkle, 300);

    double destroying = 0;
    {
        VoiceProgress progress;
        auto voice = std::make_unique<DesktopVoice>(progress.watch(), false);
        voice->Speak(longText);
        for (int i = 0; i < 100; ++i)
            voice->Speak(announcement);
        ASSERT_TRUE(waitForSound());
        const auto start = Clock::now();
        voice.reset();
        destroying = millisecondsSince(start);
        EXPECT_EQ(progress.requestsDone(), 0);
    }
    // Generous: waiting for the long text, let alone the queue, would take far longer.
    EXPECT_LT(destroying, 1000.0);
    const Samples heard = capture.samples();
    EXPECT_GT(heard.size(), 0u);
    EXPECT_LT(double(heard.size()), 300 * twinkleSamples / 2) << "the long text was not cut short";
}

TEST_F(SpeechVoiceTest, AwkwardTextsAreReadOrPassedOverAndTheVoiceGoesOn) {
    // A stray zero character must not cut the rest of the request off.
    EXPECT_EQ(stretchDifference(soundStretches(spokenAlone(QString("1") + QChar(0) + "7")),
                                soundStretches(spokenAlone("1 7"))),
              "");

    const QStringList awkward = {
        "",
        "   ",
        QString(QChar(0)),
        QString(QChar(0xD800)) + "1", // half of a surrogate pair
        QString::fromUtf8(
            "\xF0\x9F\x98\x80 \xE4\xB8\xAD\xE6\x96\x87 \xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7"),
        "<speak>1</speak> [[h@l'oU]] & \x01\x02\x7f",
        QString(500, '9'),
        QString(2000, 'x'),
    };
    const std::vector<long> hash = soundStretches(spokenAlone("hash"));
    testing::internal::CaptureStderr();
    {
        VoiceProgress progress;
        DesktopVoice voice(progress.watch(), false);
        for (const QString& text : awkward)
            voice.Speak(text);
        voice.Speak("hash");
        ASSERT_TRUE(progress.waitForRequests(int(awkward.size()) + 1));
    }
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors, "");
    const std::vector<long> heard = soundStretches(capture.samples());
    ASSERT_GE(heard.size(), hash.size());
    EXPECT_EQ(
        stretchDifference(std::vector<long>(heard.end() - long(hash.size()), heard.end()), hash),
        "");
}

} // namespace
