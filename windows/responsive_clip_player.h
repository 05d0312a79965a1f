#pragma once

#include "output/sound/clip_player.h"

#include <QObject>
#include <QThread>

#include <functional>

// Keeps the windows alive while a clip plays: the real player works on a thread of its own, asked
// as the caller asked, while the caller runs a local event loop that paints, runs timers and takes
// close requests, holding user input back until the clip ends; so each call stays synchronous.
class ResponsiveClipPlayer final : public ClipPlayer {
public:
    explicit ResponsiveClipPlayer(ClipPlayer& player) : player_(player) {}
    // Every call has returned by then, so the thread is idle and ends at once.
    ~ResponsiveClipPlayer() override;

    void PlayClip(const QString& path) override {
        waitWhile([this, &path] { player_.PlayClip(path); });
    }
    void PlayClips(const QStringList& paths) override {
        waitWhile([this, &paths] { player_.PlayClips(paths); });
    }

private:
    void waitWhile(const std::function<void()>& play);

    ClipPlayer& player_;
    QThread thread_;   // started with the first clip, off the program's start
    QObject onThread_; // runs the clips there, one after another in the order asked
};
