#pragma once

#include <QString>

// The program's one text-to-speech voice.
class SpeechVoice {
public:
    virtual ~SpeechVoice() = default;

    // Queues the text behind any earlier requests and returns at once; the voice reads the
    // requests aloud in the background, in order, each to its end.
    virtual void Speak(const QString& text) = 0;
};
