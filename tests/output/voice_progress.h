#pragma once

#include "output/speech/espeak_voice.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

// Follows a voice through its watch, so that a test can wait until the voice has done its work
// instead of guessing how long that takes.
class VoiceProgress {
public:
    // To hand to the voice; this object must outlive the voice.
    EspeakVoiceWatch watch();

    // Whether `count` requests in all were done before the timeout.
    bool waitForRequests(int count, std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // Whether the device took the first samples of a request before the timeout.
    bool waitForSound(std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // Whether the voice can speak; nothing when loading took longer than the timeout.
    std::optional<bool> waitForEngine(std::chrono::milliseconds timeout = std::chrono::seconds(30));

    int requestsDone() const;
    // The thread that finished loading the engine.
    std::thread::id engineThread() const;

private:
    template <typename Predicate> bool waitUntil(std::chrono::milliseconds timeout, Predicate done);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    int requestsDone_ = 0;
    bool soundStarted_ = false;
    std::optional<bool> speaks_;
    std::thread::id engineThread_;
};

// Makes `count` requests of `text` one after another and returns how long the slowest Speak
// took to return, in milliseconds.
double slowestOfManySpeaks(SpeechVoice& voice, int count, const QString& text);
