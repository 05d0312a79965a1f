#pragma once

#include "dialling/number_entry.h"
#include "output/sound/clip_player.h"
#include "output/speech/speech_voice.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// What was asked of the texts, the sound and the voice, in the order asked, one shared log: lines
// such as "number=1*", "spoken=1  star ", "play=ast.wav", "dial=1.wav,ast.wav" and
// "say=Telephone number: 1 ".
using EffectLog = QStringList;

// The two texts in plain strings, noting each change in the shared log; setting the number runs
// the service-code check before it returns, as the window does, and notes "about" when it matches.
class RecordingTexts final : public NumberTexts {
public:
    explicit RecordingTexts(EffectLog& log) : log_(log) {}

    QString numberText() const override { return number_; }
    void setNumberText(const QString& text) override {
        number_ = text;
        log_.append("number=" + text);
        if (isAboutCode(text))
            log_.append("about");
    }
    QString spokenText() const override { return spoken_; }
    void setSpokenText(const QString& text) override {
        spoken_ = text;
        log_.append("spoken=" + text);
    }

private:
    EffectLog& log_;
    QString number_;
    QString spoken_;
};

inline QString clipName(const QString& path) {
    return path.section('/', -1);
}

// Records the clips it is asked to play by file name, with a note the test may add to each line
// (for instance whether the About window was showing at that moment), and keeps every dial's
// full paths.
class RecordingPlayer final : public ClipPlayer {
public:
    explicit RecordingPlayer(EffectLog& log) : log_(log) {}

    void PlayClip(const QString& path) override {
        log_.append("play=" + clipName(path) + (note ? note() : QString()));
    }
    void PlayClips(const QStringList& paths) override {
        QStringList names;
        for (const QString& path : paths)
            names.append(clipName(path));
        log_.append("dial=" + names.join(',') + (note ? note() : QString()));
        dialledPaths.append(paths);
    }
    void stop() override { log_.append("stop"); }

    std::function<QString()> note;
    QList<QStringList> dialledPaths;

private:
    EffectLog& log_;
};

class RecordingVoice final : public SpeechVoice {
public:
    explicit RecordingVoice(EffectLog& log) : log_(log) {}
    void Speak(const QString& text) override { log_.append("say=" + text); }

private:
    EffectLog& log_;
};
