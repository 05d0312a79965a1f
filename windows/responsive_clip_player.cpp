#include "windows/responsive_clip_player.h"

#include "windows/held_input.h"

#include <QEventLoop>
#include <QSemaphore>

ResponsiveClipPlayer::~ResponsiveClipPlayer() {
    thread_.quit();
    thread_.wait();
}

void ResponsiveClipPlayer::waitWhile(const std::function<void()>& play) {
    const HeldInput heldInput;
    if (!thread_.isRunning()) {
        onThread_.moveToThread(&thread_);
        thread_.start();
    }
    QEventLoop loop;
    QSemaphore played;
    QMetaObject::invokeMethod(&onThread_, [&] {
        play();
        // Queued, so that it also works when the loop has not started yet.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        played.release();
    });
    // Quits early when the program ends (the real player is stopped then). Input is held back, not
    // excluded from the loop: on X11, Qt counts a window manager's close request as user input,
    // and closing the keypad window must end the program even in the middle of a dial.
    loop.exec();
    played.acquire();
}
