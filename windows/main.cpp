// Quorvel: a telephone tone pad. Shows the keypad window and runs until it is closed.

#include "output/report.h"
#include "output/sound/device_clip_player.h"
#include "output/speech/desktop_voice.h"
#include "windows/form1.h"
#include "windows/graphical_session.h"
#include "windows/program_end.h"
#include "windows/responsive_clip_player.h"

#include <QApplication>

#include <malloc.h>

#include <exception>
#include <memory>
#include <optional>

int main(int argc, char* argv[]) {
    // One heap for every thread: each extra one reserves 64 MB of address space, so under a limit
    // (ulimit -v) the sound server's buffers would not fit. Few threads here allocate at once.
    mallopt(M_ARENA_MAX, 1);
    if (!graphicalSessionNamed()) {
        report("no graphical session: neither DISPLAY nor WAYLAND_DISPLAY is set");
        return 1;
    }
    std::optional<DisplayOpeningGuard> guard(std::in_place);
    QApplication application(argc, argv);
    guard.reset();

    try {
        DeviceClipPlayer speaker;
        ResponsiveClipPlayer player(speaker);
        Form1 window(
            player, [] { return std::make_unique<DesktopVoice>(); },
            [&speaker] { speaker.stop(); });
        closeOnSignals(&window, [&window] { window.close(); });
        endAtOnceOnDisplayLoss([&] {
            speaker.stop();
            window.Voice.reset();
        });
        window.show();
        const int status = application.exec();
        endWithinBound(status);
        return status;
    } catch (const std::exception& error) {
        report(error.what());
        return 1;
    }
}
