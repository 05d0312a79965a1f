#include "output/speech/espeak_voice.h"

#include "output/speech/espeak_engine.h"

EspeakVoice::EspeakVoice() : EspeakVoice(EspeakVoiceWatch{}) {}

EspeakVoice::EspeakVoice(EspeakVoiceWatch watch)
    : watch_(std::move(watch)), stream_(std::chrono::seconds(2)), thread_([this] { run(); }) {}

EspeakVoice::~EspeakVoice() {
    queue_.close();
    // Ends the write or drain in progress and makes the synthesis abandon its text.
    stream_.stop();
    thread_.join();
}

void EspeakVoice::Speak(const QString& text) {
    queue_.push(text);
}

void EspeakVoice::run() {
    const int sampleRate = loadEspeak();
    if (watch_.engineLoaded)
        watch_.engineLoaded(sampleRate > 0);
    // Without an engine the requests are still taken, and dropped, so none piles up.
    while (const std::optional<QString> text = queue_.take()) {
        if (sampleRate > 0)
            speak(*text, PcmFormat{1, sampleRate});
        if (stream_.stopped())
            return; // the voice is ending; this request was cut short
        if (watch_.requestDone)
            watch_.requestDone();
    }
}

void EspeakVoice::speak(const QString& text, PcmFormat format) {
    // Each piece plays as soon as it is synthesized, so speech starts without waiting for the
    // whole text; the device's pace holds the synthesis back.
    bool started = false;
    synthesizeSpeech(text, [&](const std::int16_t* samples, long count) {
        // False: no device, a device that stalled, or the voice is ending.
        const bool written = stream_.write(format, samples, count);
        if (written && !started && watch_.soundStarted)
            watch_.soundStarted(std::chrono::steady_clock::now());
        started = started || written;
        return written;
    });
    // The next request starts only after this one has been heard to its end.
    stream_.drain();
}
