#pragma once

#include "output/sound/sound_stream.h"
#include "output/speech/speech_queue.h"
#include "output/speech/speech_voice.h"

#include <chrono>
#include <functional>
#include <thread>

// Moments in the voice's work, for tests and benchmarks that wait for it or time it. Each is
// called on the voice thread and must not call back into the voice.
struct EspeakVoiceWatch {
    // Once, when loading the engine is over; false when the voice will stay silent.
    std::function<void(bool speaks)> engineLoaded;
    // When a request's first samples have been handed to the sound stream.
    std::function<void(std::chrono::steady_clock::time_point heardFrom)> soundStarted;
    // After each request has been spoken, or skipped because it could not be.
    std::function<void()> requestDone;
};

// The program's voice: espeak-ng synthesizes each request on a thread of the voice's own, and the
// samples play through the voice's own output stream, request after request, each to its end.
// A missing engine or sound device leaves it silent, never in the caller's way.
class EspeakVoice final : public SpeechVoice {
public:
    // Returns at once; the engine loads on the voice thread.
    EspeakVoice();
    explicit EspeakVoice(EspeakVoiceWatch watch);
    // Cuts speech off mid-word and forgets the requests still waiting.
    ~EspeakVoice() override;
    EspeakVoice(const EspeakVoice&) = delete;
    EspeakVoice& operator=(const EspeakVoice&) = delete;

    void Speak(const QString& text) override;

private:
    void run();
    void speak(const QString& text, PcmFormat format);

    const EspeakVoiceWatch watch_;
    SpeechQueue queue_;
    SoundStream stream_;
    std::thread thread_; // last: it uses everything above from its first moment
};
