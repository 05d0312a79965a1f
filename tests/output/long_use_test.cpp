#include "dialling/dial_number.h"
#include "output/sound/device_clip_player.h"

#include "alsa_capture.h"
#include "resident_memory.h"
#include "test_clips.h"

#include <QFile>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

// A player whose clips all lie in a directory of the test's choosing.
class RedirectedPlayer final : public ClipPlayer {
public:
    RedirectedPlayer(ClipPlayer& player, QString directory)
        : player_(player), directory_(std::move(directory)) {}
    void PlayClip(const QString& path) override { player_.PlayClip(redirect(path)); }
    void PlayClips(const QStringList& paths) override {
        QStringList redirected;
        for (const QString& path : paths)
            redirected.append(redirect(path));
        player_.PlayClips(redirected);
    }

private:
    QString redirect(const QString& path) const { return directory_ + "/" + path.section('/', -1); }
    ClipPlayer& player_;
    QString directory_;
};

TEST(LongUse, HundredThousandKeyDialWithNoClipsReturnsPromptly) {
    AlsaCapture& capture = sharedCapture();
    capture.clear();
    DeviceClipPlayer real;
    RedirectedPlayer player(real, capture.scratchDirectory() + "/no-clips-here");
    QString number;
    for (int i = 0; i < 100000; ++i)
        number += QString("0123456789*#").at(i % 12);

    const auto start = std::chrono::steady_clock::now();
    DialNumber(number, player);
    // Far above what it takes (tens of milliseconds; clip_bench prints the figure), even under
    // the sanitizers: only something that waits for absent clips would reach it.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_TRUE(capture.samples().empty());
}

TEST(LongUse, VeryLongClipIsStreamedInBoundedMemory) {
    AlsaCapture& capture = sharedCapture();
    capture.clear();
    const QString path = capture.scratchDirectory() + "/ten-minutes.wav";
    constexpr int rate = 22050;
    constexpr int frames = rate * 600; // 26 MB of samples
    writeToneClip(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, rate, frames);

    const long before = residentKilobytes();
    std::atomic<long> peak{before};
    std::atomic<bool> playing{true};
    std::thread watcher([&] {
        while (playing) {
            peak = std::max(peak.load(), residentKilobytes());
            std::this_thread::sleep_for(2ms);
        }
    });
    {
        DeviceClipPlayer player;
        player.PlayClip(path);
    }
    playing = false;
    watcher.join();

    EXPECT_EQ(capture.samples().size(), static_cast<size_t>(frames));
#if !defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer gives each thread stacks and quarantines of its own, and LeakSanitizer
    // checks for leaks there instead; in the normal build the clip must stream in little memory.
    EXPECT_LT(peak - before, 8 * 1024) << "resident memory grew by " << (peak - before) << " kB";
#endif
}

} // namespace
