#pragma once

#include "output/sound/clip_player.h"

#include <QObject>
#include <QThread>

#include <functional>

// Keeps the windows alive while a clip plays: the real player works on a thread of its own while
// the caller's local event loop paints and takes close requests, with user input held back.
class ResponsiveClipPlayer final : public ClipPlayer {
public:
    explicit ResponsiveClipPlayer(ClipPlayer& player) : player_(player) {}
    ~ResponsiveClipPlayer() override; // every call has returned: the thread is idle, ends at once

    void PlayClip(const QString& path) override {
        waitWhile([this, &path] { player_.PlayClip(path); });
    }
    void PlayClips(const QStringList& paths) override {
        waitWhile([this, &paths] { player_.PlayClips(paths); });
    }
    void stop() override { player_.stop(); }

private:
    void waitWhile(const std::function<void()>& play);

    ClipPlayer& player_;
    QThread thread_;   // started with the first clip, off the program's start
    QObject onThread_; // runs the clips there, one after another in the order asked
};
