#pragma once

#include "output/sound/clip_player.h"

// Keeps the windows alive while a clip plays: the real player works on a thread of its own while
// the caller runs a local event loop that paints, runs timers and takes close requests, holding
// the user's input back until the clip has ended. For the caller each call stays synchronous.
class ResponsiveClipPlayer final : public ClipPlayer {
public:
    explicit ResponsiveClipPlayer(ClipPlayer& player) : player_(player) {}

    void PlayClip(const QString& path) override;
    void PlayClips(const QStringList& paths) override;

private:
    ClipPlayer& player_;
};
