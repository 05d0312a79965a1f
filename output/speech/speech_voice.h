#pragma once

#include <QString>

// The program's one text-to-speech voice.
class SpeechVoice {
public:
    virtual ~SpeechVoice() = default;

    // Queues the text and returns at once; the voice reads the requests in order, each to its end.
    virtual void Speak(const QString& text) = 0;
};
