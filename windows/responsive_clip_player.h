#pragma once

#include "output/sound/clip_player.h"

// Lets the windows stay alive while a clip plays: the real player works on a thread of its own
// while the caller's thread runs a local event loop that paints, runs timers and takes requests
// to close a window, but holds the user's input back, to be handled in order once the clip has
// ended. For the caller each call is still synchronous.
class ResponsiveClipPlayer final : public ClipPlayer {
public:
    explicit ResponsiveClipPlayer(ClipPlayer& player) : player_(player) {}

    void PlayClip(const QString& path) override;
    void PlayClips(const QStringList& paths) override;

private:
    ClipPlayer& player_;
};
