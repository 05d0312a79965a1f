#pragma once

#include <QString>
#include <QStringList>

// Plays wave clips: each call returns once the last sample is heard, or at once if none can be.
class ClipPlayer {
public:
    virtual ~ClipPlayer() = default;

    // One clip, such as a key's tone: a sequence of one, unless a player tells them apart.
    virtual void PlayClip(const QString& path) { PlayClips({path}); }

    // Several clips as one gapless stream, each opened in its turn; unplayable ones are skipped.
    virtual void PlayClips(const QStringList& paths) = 0;

    // From any thread, as the program ends: cuts the sound short; later clips return at once.
    virtual void stop() {}
};
