#pragma once

#include "output/speech/desktop_voice.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Follows a voice through its watch, so that a test or benchmark waits until the voice has done
// its work instead of guessing how long that takes.
class VoiceProgress {
public:
    // To hand to the voice; this object must outlive the voice.
    VoiceWatch watch();

    // Whether `count` requests in all were done before the timeout.
    bool waitForRequests(int count, std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // The first engine chosen; nothing when none was within the timeout.
    std::optional<Engine>
    waitForEngine(std::chrono::milliseconds timeout = std::chrono::seconds(30));

    int requestsDone() const;
    // Every engine chosen so far, in order.
    std::vector<Engine> engines() const;
    // When the first engine was chosen, and on which thread.
    std::chrono::steady_clock::time_point chosenAt() const;
    std::thread::id voiceThread() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    int requestsDone_ = 0;
    std::vector<Engine> engines_;
    std::chrono::steady_clock::time_point chosenAt_;
    std::thread::id voiceThread_;
};

// Makes `count` requests of `text` one after another and returns how long the slowest Speak
// took to return, in milliseconds.
double slowestOfManySpeaks(SpeechVoice& voice, int count, const QString& text);
