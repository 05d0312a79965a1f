#include "output/speech/desktop_voice.h"

#include "alsa_capture.h"
#include "one_line.h"
#include "voice_progress.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

TEST(SpeechWithoutSoundDevice, RequestsPassInSilenceAfterOneClearLine) {
    useNoSoundDevice();
    testing::internal::CaptureStderr();
    // More than espeak-ng's own queue would take.
    constexpr int requests = 300;
    double slowest = 0;
    const auto start = Clock::now();
    {
        VoiceProgress progress;
        DesktopVoice voice(progress.watch(), false);
        slowest = slowestOfManySpeaks(voice, requests, "Telephone number: 0 1 2 ");
        EXPECT_EQ(progress.waitForEngine(), Engine::espeak);
        EXPECT_TRUE(progress.waitForRequests(requests));
    }
    const auto took = Clock::now() - start;
    const std::string errors = testing::internal::GetCapturedStderr();

    // Generous bounds: only waiting for a device, or for speech nobody hears, takes this long.
    EXPECT_LT(slowest, 50.0);
    EXPECT_LT(took, std::chrono::seconds(10)); // spoken aloud, the requests would last 11 minutes
    EXPECT_TRUE(saysOneLine(errors, "no sound output device"));
}

} // namespace
