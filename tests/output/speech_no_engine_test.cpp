#include "output/speech/desktop_voice.h"

#include "alsa_capture.h"
#include "one_line.h"
#include "voice_progress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <espeak-ng/espeak_ng.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

// espeak-ng is loaded once per process, so each of these tests needs a process of its own, which
// ctest gives it. Run by hand, all in one process, only the first one can tell anything.
bool engineStillUnloaded() {
    static bool unloaded = true;
    return std::exchange(unloaded, false);
}

QString systemDataDirectory() {
    espeak_ng_InitializePath(nullptr);
    const char* path = nullptr;
    espeak_Info(&path);
    return QString::fromLocal8Bit(path);
}

// Rebuilds `from` in `to` out of symbolic links, leaving out the files `leaveOut` picks by their
// path inside `from`.
void mirror(const QString& from, const QString& to,
            const std::function<bool(const QString&)>& leaveOut, const QString& inside = "") {
    QDir().mkpath(to + "/" + inside);
    const auto entries =
        QDir(from + "/" + inside).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        const QString relative =
            inside.isEmpty() ? entry.fileName() : inside + "/" + entry.fileName();
        if (entry.isDir()) {
            mirror(from, to, leaveOut, relative);
        } else if (!leaveOut(relative)) {
            EXPECT_TRUE(QFile::link(entry.absoluteFilePath(), to + "/" + relative))
                << relative.toStdString();
        }
    }
}

// Gives a voice many requests with espeak-ng pointed at `dataDirectory`, and checks that they all
// pass at once in silence, after exactly one line on standard error that says why.
void expectSilenceAfterOneLine(const QString& dataDirectory, const std::string& why) {
    AlsaCapture& capture = sharedCapture(); // a sound device is there; only speech is missing
    capture.clear();
    setenv("ESPEAK_DATA_PATH", QFile::encodeName(dataDirectory).constData(), 1);
    constexpr int requests = 300;
    double slowest = 0;
    testing::internal::CaptureStderr();
    {
        VoiceProgress progress;
        DesktopVoice voice(progress.watch(), false);
        slowest = slowestOfManySpeaks(voice, requests, "Telephone number: 0 1 2 ");
        EXPECT_EQ(progress.waitForEngine(), Engine::none);
        EXPECT_TRUE(progress.waitForRequests(requests, std::chrono::seconds(10)));
    }
    const std::string errors = testing::internal::GetCapturedStderr();

    EXPECT_LT(slowest, 50.0); // generous: only a blocked request takes this long
    EXPECT_TRUE(capture.samples().empty());
    // espeak-ng may say something of its own first; ours is one line, once.
    EXPECT_TRUE(saysOneLine(errors, why, "quorvel: "));
    EXPECT_NE(errors.find("quorvel: speech is unavailable: "), std::string::npos) << errors;
}

TEST(SpeechWithoutEngine, NoDataAtAll) {
    if (!engineStillUnloaded())
        GTEST_SKIP() << "needs a process of its own";
    const QString empty = sharedCapture().scratchDirectory() + "/no-espeak-data";
    ASSERT_TRUE(QDir().mkpath(empty));
    expectSilenceAfterOneLine(empty, "espeak-ng data not found in " + empty.toStdString());
}

TEST(SpeechWithoutEngine, DataWithoutTheEnglishVoice) {
    if (!engineStillUnloaded())
        GTEST_SKIP() << "needs a process of its own";
    const QString data = sharedCapture().scratchDirectory() + "/espeak-data-without-english";
    mirror(systemDataDirectory(), data,
           [](const QString& path) { return path.startsWith("lang/gmw/en") || path == "en_dict"; });
    expectSilenceAfterOneLine(data, "no English voice");
}

TEST(SpeechWithoutEngine, DataWithoutTheEnglishDictionary) {
    if (!engineStillUnloaded())
        GTEST_SKIP() << "needs a process of its own";
    const QString data = sharedCapture().scratchDirectory() + "/espeak-data-without-dictionary";
    mirror(systemDataDirectory(), data, [](const QString& path) { return path == "en_dict"; });
    expectSilenceAfterOneLine(data, "makes no sound");
}

} // namespace
