// Sounds through the real stream to a private paced sound server (run under
// scripts/with-paced-sound), recorded from its sink: straight to the server, or through the ALSA
// device (its pulse plugin standing in for a sound card) as where no server runs. The writer pauses
// in the middle of each sound, as a thread does on a busy machine; what is heard must not be split.

#include "output/sound/sound_stream.h"

#include "sound_stretches.h"
#include "test_clips.h"

#include <QProcess>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace {

using Samples = std::vector<std::int16_t>;
using namespace std::chrono_literals;

constexpr int rate = 22050;
constexpr auto writerPause = 150ms; // far longer than a playing server holds ahead

Samples keyTone(const char* key) {
    return decodeClip(keyClip(QString(key) + ".wav"),
                      {"channels", "1", "rate", QString::number(rate)});
}

// What the paced sink played while `play` ran, as 16-bit mono at `rate`. Recorded to a file, which
// takes whatever comes at once, as a pipe nobody reads until the end would not.
template <typename Play> Samples heardWhile(const QString& server, Play play) {
    QTemporaryFile recording;
    EXPECT_TRUE(recording.open());
    QProcess recorder;
    recorder.setStandardOutputFile(recording.fileName());
    recorder.start("parec",
                   {"-s", server, "-d", qEnvironmentVariable("PAREC_SINK"), "--latency-msec=50",
                    "--rate=" + QString::number(rate), "--channels=1", "--format=s16le", "--raw"});
    // Once the monitor's silence comes through, the recorder hears whatever is played.
    for (int wait = 0; wait < 500 && recording.size() == 0; ++wait)
        std::this_thread::sleep_for(10ms);
    EXPECT_GT(recording.size(), 0) << "the recorder records nothing";
    play();
    std::this_thread::sleep_for(300ms); // the last sound through the monitor
    recorder.terminate();
    recorder.waitForFinished(5000);
    const QByteArray bytes = recording.readAll();
    Samples samples(std::size_t(bytes.size() / 2));
    std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
    return samples;
}

class HeldUntilWhole : public testing::TestWithParam<const char*> {};

TEST_P(HeldUntilWhole, AWriterPausingMidToneDoesNotSplitIt) {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("PAREC_SINK")) << "run under scripts/with-paced-sound";
    const QString server = qEnvironmentVariable("PULSE_SERVER");
    if (GetParam() == std::string("device")) // the stream finds no server; ALSA's device plays
        qputenv("PULSE_SERVER", "unix:/nonexistent/quorvel-no-server");
    const Samples one = keyTone("1"), two = keyTone("2");
    SoundStream stream;
    const Samples heard = heardWhile(server, [&] {
        // Each key's first piece (within its tone), the pause, the rest: the first sound on a
        // fresh stream, then one after a sound has ended.
        for (const Samples* key : {&one, &two}) {
            ASSERT_GT(key->size(), 2048u);
            ASSERT_TRUE(stream.write(PcmFormat{1, rate}, key->data(), 1024));
            std::this_thread::sleep_for(writerPause);
            ASSERT_TRUE(
                stream.write(PcmFormat{1, rate}, key->data() + 1024, long(key->size()) - 1024));
            stream.drain();
            std::this_thread::sleep_for(200ms);
        }
    });

    // Each tone's stretches of sound as sox decodes the clip: a pause heard splits one in two.
    std::vector<long> expected = soundStretches(one);
    for (const long stretch : soundStretches(two))
        expected.push_back(stretch);
    ASSERT_GE(expected.size(), 2u);
    EXPECT_GT(expected.front(), 1024);
    EXPECT_EQ(stretchDifference(soundStretches(heard), expected), "");
}

INSTANTIATE_TEST_SUITE_P(Route, HeldUntilWhole, testing::Values("server", "device"),
                         [](const auto& route) { return std::string(route.param); });

} // namespace
