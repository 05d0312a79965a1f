#include "windows/responsive_clip_player.h"

#include "windows/held_input.h"

#include <QEventLoop>
#include <QScopeGuard>

#include <functional>
#include <future>

namespace {

void waitWhile(const std::function<void()>& play) {
    const HeldInput heldInput;
    QEventLoop loop;
    std::future<void> played = std::async(std::launch::async, [&] {
        // Queued, so that it also works when the loop has not started yet.
        const auto quit = qScopeGuard(
            [&] { QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection); });
        play();
    });
    // Quits early when the program ends; the real player is stopped then. Input is held back, not
    // excluded from the loop: on X11, Qt counts a window manager's close request as user input,
    // and closing the keypad window must end the program even in the middle of a dial.
    loop.exec();
    played.get();
}

} // namespace

void ResponsiveClipPlayer::PlayClip(const QString& path) {
    waitWhile([&] { player_.PlayClip(path); });
}

void ResponsiveClipPlayer::PlayClips(const QStringList& paths) {
    waitWhile([&] { player_.PlayClips(paths); });
}
