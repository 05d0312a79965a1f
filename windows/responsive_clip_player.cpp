#include "windows/responsive_clip_player.h"

#include "windows/held_input.h"

#include <QEventLoop>
#include <QMetaObject>

#include <exception>
#include <thread>

void ResponsiveClipPlayer::PlayClip(const QString& path) {
    waitWhile([&] { player_.PlayClip(path); });
}

void ResponsiveClipPlayer::PlayClips(const QStringList& paths) {
    waitWhile([&] { player_.PlayClips(paths); });
}

void ResponsiveClipPlayer::waitWhile(const std::function<void()>& play) {
    const HeldInput heldInput;
    QEventLoop loop;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            play();
        } catch (...) {
            failure = std::current_exception();
        }
        // Queued, so that it also works when the loop has not started yet.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // Returns early when the program is ending; the real player has been stopped by then, so the
    // worker is about to finish. The user's input is held back rather than excluded from the
    // loop: on X11, Qt counts a window manager's request to close a window as user input, and
    // closing the keypad window must end the program even in the middle of a dial.
    loop.exec();
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
}
