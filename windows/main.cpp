// Quorvel: a telephone tone pad. Shows the keypad window and runs until it is closed.

#include "output/report.h"
#include "output/sound/clip_path.h"
#include "windows/form1.h"
#include "windows/output_module.h"
#include "windows/responsive_clip_player.h"
#include "windows/session_end.h"

#include <malloc.h>
#include <sys/resource.h>

#include <csignal>

int main(int argc, char* argv[]) {
    endInOneLineOnFailure();
    // Each extra heap reserves 64 MB, which under ulimit -v leaves no room for the sound buffers.
    mallopt(M_ARENA_MAX, 1);
    // A standard error nobody reads any more (a restarted journal) must not end the program. A
    // handler, unlike SIG_IGN, is not handed on to the speech server the voice may start.
    std::signal(SIGPIPE, [](int) {});
    // Sound and speech each hold a few files open beside the window's own; with too few of them
    // they fail in ways that name something else, so the cause is said here, once.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < 64)
        report("only " + std::to_string(files.rlim_cur) +
               " files may be open at once (ulimit -n); key tones and speech may fail for want of "
               "more");
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        report("no graphical session: neither DISPLAY nor WAYLAND_DISPLAY is set");
        return 1;
    }
    Application application(argc, argv);

    OutputModule output(encodePath(applicationDirectory() + "/quorvel-output.so"));
    ResponsiveClipPlayer player(output);
    Form1 window(player, [&output] { return output.makeVoice(); });
    closeOnSignals(&window, [&window] { window.close(); });
    endAtOnceOnDisplayLoss([&window] { window.silence(); });
    output.loadAfterFirstPaint(&window);
    window.show();
    const int status = application.exec();
    endWithinBound(status);
    return status;
}
