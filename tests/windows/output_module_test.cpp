// The sound and speech module, loaded as the program loads it: a module that is missing, not a
// library or without the entry leaves one line and silence, never a crash; a stop made before the
// real module comes in still holds.

#include "windows/output_module.h"

#include "alsa_capture.h"
#include "one_line.h"
#include "output/sound/clip_path.h"

#include <gtest/gtest.h>

namespace {

std::string beside(const char* name) {
    return encodePath(applicationDirectory() + '/' + name);
}

QStringList threeTones() {
    return {ClipPath("1.wav"), ClipPath("2.wav"), ClipPath("3.wav")};
}

class BrokenModule : public testing::TestWithParam<std::string> {};

TEST_P(BrokenModule, IsOneLineAndSilence) {
    AlsaCapture& capture = sharedCapture();
    capture.clear();
    testing::internal::CaptureStderr();
    {
        OutputModule output(GetParam());
        output.PlayClips(threeTones());
        const auto voice = output.makeVoice();
        voice->Speak("1 2 3");
        output.PlayClip(ClipPath("4.wav"));
        output.stop();
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(saysOneLine(said, "the sound and speech module does not load ("));
    EXPECT_TRUE(capture.samples().empty());
}

INSTANTIATE_TEST_SUITE_P(Modules, BrokenModule,
                         testing::Values(beside("no-such-module.so"), beside("1.wav"),
                                         std::string("libm.so.6"))); // a library, no entry

TEST(RealModule, PlaysAndKeepsAStopMadeBeforeItLoaded) {
    AlsaCapture& capture = sharedCapture();
    capture.clear();
    {
        OutputModule output(beside("quorvel-output.so"));
        output.PlayClips(threeTones());
    }
    EXPECT_FALSE(capture.samples().empty()) << "the real module played nothing";

    capture.clear();
    {
        OutputModule output(beside("quorvel-output.so"));
        output.stop();
        output.PlayClips(threeTones());
    }
    EXPECT_TRUE(capture.samples().empty()) << "a stop made before the module came in was lost";
}

} // namespace
