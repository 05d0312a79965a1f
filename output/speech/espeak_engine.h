#pragma once

#include "output/sound/sound_stream.h"

#include <QString>

#include <chrono>

// The built-in voice: espeak-ng through a stream of our own; speak() returns once it is heard.
class EspeakEngine {
public:
    // Loads espeak-ng once per process (about 4 ms), waiting for it at most loadBound; after a
    // failure, reported, it is silent.
    EspeakEngine();

    bool speaks() const { return sampleRate_ > 0; }
    static constexpr std::chrono::milliseconds loadBound{2000};
    void speak(const QString& text);
    // From any thread: cuts speech off mid-word; this and every later speak() returns at once.
    void stop() { stream_.stop(); }

private:
    int sampleRate_; // -1 while espeak-ng is still loading
    SoundStream stream_;
};
