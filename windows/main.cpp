// Quorvel: a telephone tone pad. Shows the keypad window and runs until it is closed.

#include "output/desktop_voice.h"
#include "output/portaudio_clip_player.h"
#include "windows/form1.h"
#include "windows/graphical_session.h"
#include "windows/responsive_clip_player.h"

#include <QApplication>

#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

int main(int argc, char* argv[]) {
    if (!graphicalSessionNamed()) {
        std::fputs(
            "quorvel needs a graphical session: neither DISPLAY nor WAYLAND_DISPLAY is set\n",
            stderr);
        return 1;
    }
    std::optional<DisplayOpeningGuard> guard(std::in_place);
    QApplication application(argc, argv);
    guard.reset();

    try {
        PortAudioClipPlayer speaker;
        ResponsiveClipPlayer player(speaker);
        Form1 window(
            player, [] { return std::make_unique<DesktopVoice>(); }, [&speaker] { speaker.stop(); });
        window.show();
        return application.exec();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quorvel: %s\n", error.what());
        return 1;
    }
}
