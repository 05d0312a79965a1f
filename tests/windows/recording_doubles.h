#pragma once

#include "output/sound/clip_player.h"
#include "output/speech/speech_voice.h"
#include "windows/form2.h"

#include <QApplication>
#include <QList>

#include <QString>
#include <QStringList>

#include <functional>

// What the windows asked of the sound and the voice, in order: lines such as "play=ast.wav",
// "dial=1.wav,ast.wav" and "say=Telephone number: 1 ".
using Requests = QStringList;

inline QString clipName(const QString& path) {
    return path.section('/', -1);
}

// Records the clips it is asked to play, with a note the test may add to each line (for instance
// whether the About window was showing at that moment).
class RecordingPlayer final : public ClipPlayer {
public:
    explicit RecordingPlayer(Requests& requests) : requests_(requests) {}

    void PlayClip(const QString& path) override {
        requests_.append("play=" + clipName(path) + (note ? note() : QString()));
    }
    void PlayClips(const QStringList& paths) override {
        QStringList names;
        for (const QString& path : paths)
            names.append(clipName(path));
        requests_.append("dial=" + names.join(',') + (note ? note() : QString()));
        dialledPaths.append(paths);
    }

    std::function<QString()> note;
    QList<QStringList> dialledPaths;

private:
    Requests& requests_;
};

class RecordingVoice final : public SpeechVoice {
public:
    explicit RecordingVoice(Requests& requests) : requests_(requests) {}
    void Speak(const QString& text) override { requests_.append("say=" + text); }

private:
    Requests& requests_;
};

// The About windows in existence, shown or not.
inline QList<Form2*> aboutWindows() {
    QList<Form2*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* about = qobject_cast<Form2*>(widget))
            windows.append(about);
    return windows;
}
