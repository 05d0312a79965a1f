#pragma once

#include "dialling/number_entry.h"
#include "output/sound/clip_player.h"
#include "output/speech/speech_voice.h"

#include <QString>
#include <QStringList>

#include <functional>

// Everything the dialling operations do, in the order they do it, as lines such as
// "number=1*", "check=1*", "spoken=1  star ", "play=ast.wav", "dial=1.wav,ast.wav", "say=...".
using EffectLog = QStringList;

// The two texts in plain strings; setting the number runs the service-code check before it
// returns, as the window does.
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

// Records the file names of the clips it is asked to play.
class RecordingPlayer final : public ClipPlayer {
public:
    explicit RecordingPlayer(EffectLog& log) : log_(log) {}

    void PlayClip(const QString& path) override { log_.append("play=" + fileName(path)); }
    void PlayClips(const QStringList& paths) override {
        QStringList names;
        for (const QString& path : paths)
            names.append(fileName(path));
        log_.append("dial=" + names.join(','));
        lastPaths = paths;
    }

    QStringList lastPaths;

private:
    static QString fileName(const QString& path) { return path.section('/', -1); }
    EffectLog& log_;
};

class RecordingVoice final : public SpeechVoice {
public:
    void Speak(const QString& text) override { spoken.append(text); }
    QStringList spoken;
};
