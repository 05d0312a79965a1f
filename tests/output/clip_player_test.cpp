#include "dialling/key_table.h"
#include "output/sound/device_clip_player.h"

#include "alsa_capture.h"
#include "elapsed.h"
#include "one_line.h"
#include "test_clips.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {

using Samples = std::vector<std::int16_t>;
using namespace std::chrono_literals;

Samples joined(std::initializer_list<Samples> parts) {
    Samples all;
    for (const Samples& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

class ClipPlayerTest : public ::testing::Test {
protected:
    AlsaCapture& capture = sharedCapture();
    QString scratch = capture.scratchDirectory();

    void SetUp() override { capture.clear(); }

    // What the device received, once a fresh player has played and let go of the device.
    template <typename Play> Samples captured(Play play) {
        {
            DeviceClipPlayer player;
            play(player);
        }
        return capture.samples();
    }

    // Milliseconds one play takes to return.
    template <typename Play> double millisecondsFor(Play play) {
        const auto start = std::chrono::steady_clock::now();
        play();
        return millisecondsSince(start);
    }
};

TEST_F(ClipPlayerTest, KeyClipArrivesCompleteAndSampleExact) {
    const Samples played = captured([](ClipPlayer& player) { player.PlayClip(keyClip("5.wav")); });
    const Samples clip = decodeClip(keyClip("5.wav"));
    ASSERT_GT(clip.size(), 2000u);
    EXPECT_EQ(played, clip);
}

TEST_F(ClipPlayerTest, DialIsOneStreamOfClipsInOrderWithNoGap) {
    const Samples played = captured([](ClipPlayer& player) {
        player.PlayClips(
            {keyClip("1.wav"), keyClip("ast.wav"), keyClip("#.wav"), keyClip("0.wav")});
    });
    EXPECT_EQ(played, joined({decodeClip(keyClip("1.wav")), decodeClip(keyClip("ast.wav")),
                              decodeClip(keyClip("#.wav")), decodeClip(keyClip("0.wav"))}));
}

TEST_F(ClipPlayerTest, MissingClipLeavesItsNeighboursBackToBack) {
    const Samples played = captured([&](ClipPlayer& player) {
        player.PlayClips({keyClip("4.wav"), scratch + "/5.wav", keyClip("4.wav")});
    });
    const Samples four = decodeClip(keyClip("4.wav"));
    EXPECT_EQ(played, joined({four, four}));
}

struct Encoding {
    const char* name;
    int format;
    int channels;
    int rate;
    // How far the player's samples may lie from sox's: 16-bit data must match exactly; wider or
    // floating-point data may round the other way; the lossy codecs are decoded by two different
    // implementations, which may also disagree on how much padding the last block holds.
    int tolerance;
    int lengthSlack = 0;
    // How sox turns the clip into what the player plays, when it is not as stored.
    QStringList soxEffects = {};
};

const Encoding encodings[] = {
    {"u8", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, 22050, 0},
    {"pcm16_stereo", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, 0},
    {"pcm24", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1, 48000, 1},
    {"pcm32", SF_FORMAT_WAV | SF_FORMAT_PCM_32, 1, 22050, 1},
    {"float32_stereo", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 22050, 1},
    {"float64", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 1, 22050, 1},
    {"ulaw", SF_FORMAT_WAV | SF_FORMAT_ULAW, 1, 8000, 0},
    {"alaw", SF_FORMAT_WAV | SF_FORMAT_ALAW, 1, 8000, 0},
    {"ima_adpcm", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 1, 22050, 64},
    {"ms_adpcm", SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 2, 22050, 64},
    {"gsm610", SF_FORMAT_WAV | SF_FORMAT_GSM610, 1, 8000, 64, 320},
    // More channels than a device takes: mixed down, as sox mixes them.
    {"pcm16_3ch", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 3, 22050, 1, 0, {"remix", "-"}},
    {"pcm24_8ch", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 8, 48000, 1, 0, {"remix", "-"}},
};

class EveryEncoding : public ClipPlayerTest, public ::testing::WithParamInterface<Encoding> {};

// Each encoding plays at its real level (a 0.4 full-scale tone), as sox decodes it; then a fresh
// clip of a different format after it reopens the stream without losing a sample.
TEST_P(EveryEncoding, PlaysAsSoxDecodesItAndReopensForTheNextFormat) {
    const Encoding& encoding = GetParam();
    const QString path = scratch + "/" + encoding.name + ".wav";
    writeToneClip(path, encoding.format, encoding.channels, encoding.rate, 1600);
    const Samples expected = decodeClip(path, encoding.soxEffects);
    ASSERT_GE(expected.size(), 1000u);

    const Samples played = captured([&](ClipPlayer& player) {
        player.PlayClips({path, keyClip("5.wav")});
    });
    const Samples five = decodeClip(keyClip("5.wav"));
    ASSERT_GT(played.size(), five.size());
    const size_t clipLength = played.size() - five.size();
    ASSERT_LE(std::abs(long(clipLength) - long(expected.size())), encoding.lengthSlack);
    const size_t common = std::min(clipLength, expected.size());
    EXPECT_LE(largestDifference(Samples(played.begin(), played.begin() + common),
                                Samples(expected.begin(), expected.begin() + common)),
              encoding.tolerance);
    EXPECT_GT(*std::max_element(played.begin(), played.begin() + common),
              0.75 * *std::max_element(expected.begin(), expected.end()));
    EXPECT_GT(*std::max_element(expected.begin(), expected.end()), 0.1 * 32767);
    EXPECT_EQ(Samples(played.begin() + clipLength, played.end()), five);
}

INSTANTIATE_TEST_SUITE_P(ClipPlayer, EveryEncoding, ::testing::ValuesIn(encodings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ClipPlayerTest, BrokenClipsReturnAtOnceInSilence) {
    const QByteArray validWav = [&] {
        QFile file(keyClip("1.wav"));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }();
    QByteArray random(4096, '\0');
    for (int i = 0; i < random.size(); ++i)
        random[i] = static_cast<char>((i * 7919 + 13) % 251);
    // A header announcing a gigantic data chunk over a handful of real bytes.
    QByteArray hugeData = validWav.left(44);
    hugeData.replace(40, 4, QByteArray("\xf0\xff\xff\x7f", 4));
    hugeData.append(QByteArray(10, '\x10'));
    // A format chunk that claims to be nearly 4 GB long.
    QByteArray hugeFormat = validWav.left(44);
    hugeFormat.replace(16, 4, QByteArray("\xf0\xff\xff\xff", 4));
    // No channels at all: a mixer that divides by the channel count must never see it.
    const QByteArray noChannels = QByteArray(validWav).replace(22, 2, QByteArray(2, '\0'));

    const QString broken = scratch + "/broken";
    QDir().mkpath(broken);
    QDir().mkpath(broken + "/a directory.wav");
    writeBytes(broken + "/empty.wav", {});
    writeBytes(broken + "/random.wav", random);
    writeBytes(broken + "/text.wav", "this is not a sound\n");
    writeBytes(broken + "/header-only.wav", validWav.left(44));
    writeBytes(broken + "/cut-in-header.wav", validWav.left(30));
    writeBytes(broken + "/huge-data.wav", hugeData);
    writeBytes(broken + "/huge-format.wav", hugeFormat);
    writeBytes(broken + "/no-channels.wav", noChannels);
    symlink("loop-b.wav", QFile::encodeName(broken + "/loop-a.wav").constData());
    symlink("loop-a.wav", QFile::encodeName(broken + "/loop-b.wav").constData());
    mkfifo(QFile::encodeName(broken + "/fifo.wav").constData(), 0600);

    const QStringList names = {"missing.wav",       "a directory.wav", "empty.wav",
                               "random.wav",        "text.wav",        "header-only.wav",
                               "cut-in-header.wav", "huge-format.wav", "loop-a.wav",
                               "fifo.wav",          "no-channels.wav"};
    DeviceClipPlayer player;
    for (const QString& name : names) {
        // Generous: only a hang or a blocking open would take this long.
        EXPECT_LT(millisecondsFor([&] { player.PlayClip(broken + "/" + name); }), 1000.0)
            << name.toStdString();
    }
    EXPECT_TRUE(capture.samples().empty());

    // A header that promises more than the file holds plays what is there and stops.
    EXPECT_LT(millisecondsFor([&] { player.PlayClip(broken + "/huge-data.wav"); }), 1000.0);
    const Samples heard = capture.samples();
    EXPECT_LE(std::count_if(heard.begin(), heard.end(), [](std::int16_t s) { return s != 0; }), 5);
    EXPECT_LT(heard.size(), 2000u);
}

TEST_F(ClipPlayerTest, EachBrokenClipIsReportedOnceAndMissingOnesNever) {
    const QString garbage = scratch + "/garbage.wav";
    writeBytes(garbage, "RIFF....WAVEjunk");
    DeviceClipPlayer player;
    testing::internal::CaptureStderr();
    player.PlayClips({garbage, garbage, scratch + "/absent.wav"});
    player.PlayClip(garbage);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(saysOneLine(errors, "garbage.wav"));
}

TEST_F(ClipPlayerTest, DeviceIsReleasedAfterAnIdleSpellAndReopenedOnDemand) {
    {
        DeviceClipPlayer player(50ms);
        EXPECT_FALSE(player.holdsDevice());
        player.PlayClip(keyClip("2.wav"));
        EXPECT_TRUE(player.holdsDevice());
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (player.holdsDevice() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        EXPECT_FALSE(player.holdsDevice());
        player.PlayClip(keyClip("3.wav"));
        EXPECT_TRUE(player.holdsDevice());
    }
    EXPECT_EQ(capture.samples(),
              joined({decodeClip(keyClip("2.wav")), decodeClip(keyClip("3.wav"))}));
}

TEST_F(ClipPlayerTest, StopCutsADialShortAndSilencesLaterClips) {
    const QStringList longDial(3000, keyClip("8.wav"));
    const size_t wholeDial = decodeClip(keyClip("8.wav")).size() * longDial.size();
    {
        DeviceClipPlayer player;
        std::thread dial([&] { player.PlayClips(longDial); });
        while (!player.holdsDevice())
            std::this_thread::sleep_for(1ms);
        player.stop();
        dial.join();
        // The capture is complete once the device's writer has finished: wait until it stops
        // growing.
        size_t heard = capture.samples().size();
        for (int i = 0; i < 40; ++i) {
            std::this_thread::sleep_for(50ms);
            const size_t now = capture.samples().size();
            if (now == heard)
                break;
            heard = now;
        }
        EXPECT_LT(heard, wholeDial);

        EXPECT_LT(millisecondsFor([&] { player.PlayClips(longDial); }), 1000.0);
        player.PlayClip(keyClip("8.wav"));
        EXPECT_EQ(capture.samples().size(), heard);
    }
}

TEST_F(ClipPlayerTest, DialledToneDecodesAsTheKeysDialled) {
    const QString keys = "0123456789*#1122*#*#00";
    QStringList paths;
    for (const QChar key : keys)
        paths.append(keyClip(QString::fromLatin1(findKey(key.unicode())->clipFile)));
    const Samples played = captured([&](ClipPlayer& player) { player.PlayClips(paths); });

    const QString raw = scratch + "/dial.raw";
    writeBytes(raw, QByteArray(reinterpret_cast<const char*>(played.data()),
                               static_cast<qsizetype>(played.size() * 2)));
    QProcess decoder;
    decoder.start(QUORVEL_DTMF_IN, {raw});
    ASSERT_TRUE(decoder.waitForFinished(30000));
    EXPECT_EQ(QString::fromLatin1(decoder.readAllStandardOutput()), keys);
}

} // namespace
