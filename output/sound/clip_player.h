#pragma once

#include <QString>
#include <QStringList>

// Plays wave clips synchronously: every call returns once the last sample has been heard, or at
// once when there is nothing that can be played (missing or broken file, no output device).
class ClipPlayer {
public:
    virtual ~ClipPlayer() = default;

    // One clip, such as a key's tone: a sequence of one, unless a player tells them apart.
    virtual void PlayClip(const QString& path) { PlayClips({path}); }

    // Several clips as one continuous stream, so a dialled number has no gaps between its tones.
    // Each file is opened when its turn comes; unplayable ones are passed over.
    virtual void PlayClips(const QStringList& paths) = 0;
};
