#pragma once

#include "output/sound/sound_stream.h"

#include <QString>

// The built-in voice: espeak-ng through a stream of our own; speak() returns once it is heard.
class EspeakEngine {
public:
    // Loads espeak-ng once per process (about 10 ms); after a failure, reported, it is silent.
    EspeakEngine();

    bool speaks() const { return sampleRate_ > 0; }
    void speak(const QString& text);
    // From any thread: cuts speech off mid-word; this and every later speak() returns at once.
    void stop() { stream_.stop(); }

private:
    const int sampleRate_;
    SoundStream stream_;
};
