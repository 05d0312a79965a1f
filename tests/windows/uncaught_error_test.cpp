// An error that nothing handles (memory running out, in practice) ends the program with one line
// and status 1, never an abort with a core dump, whichever thread meets it: the window's, in an
// event handler Qt could not unwind; the one a clip plays on; or a thread of the program's own.

#include "windows/responsive_clip_player.h"
#include "windows/session_end.h"

#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <thread>

namespace {

void runOutOfMemory() {
    throw std::bad_alloc();
}

class FailingPlayer final : public ClipPlayer {
public:
    void PlayClips(const QStringList&) override { runOutOfMemory(); }
};

struct Place {
    const char* name;
    void (*fail)();
};

// Runs the program's own application, in which `fail` runs from the event loop.
void runFailing(void (*fail)()) {
    endInOneLineOnFailure();
    int argc = 1;
    char program[] = "uncaught_error_tests";
    char* argv[] = {program, nullptr};
    const QTemporaryDir runtime; // else Qt says it has none, on standard error
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    Application application(argc, argv);
    QTimer::singleShot(0, fail);
    application.exec();
}

class UncaughtError : public testing::TestWithParam<Place> {};

TEST_P(UncaughtError, IsOneLineAndStatusOne) {
    EXPECT_EXIT(runFailing(GetParam().fail), testing::ExitedWithCode(1),
                "^quorvel: unexpected error: std::bad_alloc\n$");
}

INSTANTIATE_TEST_SUITE_P(Threads, UncaughtError,
                         testing::Values(Place{"WindowHandler", runOutOfMemory},
                                         Place{"ClipThread",
                                               [] {
                                                   FailingPlayer failing;
                                                   ResponsiveClipPlayer(failing).PlayClip("1.wav");
                                               }},
                                         Place{"OwnThread",
                                               [] { std::thread(runOutOfMemory).join(); }}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
