#include "output/sound/clip_path.h"
#include "output/sound/device_clip_player.h"

#include "alsa_capture.h"
#include "one_line.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

TEST(NoSoundDevice, KeysAndDialsReturnAtOnceAfterOneClearLine) {
    useNoSoundDevice();
    testing::internal::CaptureStderr();
    const auto start = std::chrono::steady_clock::now();
    {
        DeviceClipPlayer player;
        player.PlayClip(ClipPath("1.wav"));
        player.PlayClips({ClipPath("2.wav"), ClipPath("3.wav")});
        player.PlayClip(ClipPath("1.wav"));
        EXPECT_FALSE(player.holdsDevice());
    }
    const auto took = std::chrono::steady_clock::now() - start;
    const std::string errors = testing::internal::GetCapturedStderr();

    EXPECT_LT(took, std::chrono::seconds(2)); // nothing waits for a device that is not there
    EXPECT_TRUE(saysOneLine(errors, "no sound output device"));
}

} // namespace
