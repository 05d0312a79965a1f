#pragma once

#include "output/speech/speech_voice.h"

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

class SpeechDispatcherConnection;

// Moments in the voice's work, for tests and benchmarks. Called on the voice's thread, never
// after the voice's destructor has returned; they must not call back into the voice.
struct SpeechDispatcherVoiceWatch {
    // When the server reported that a request began to sound.
    std::function<void(std::chrono::steady_clock::time_point began)> speechBegan;
    // After each request has been spoken, given up on, or passed to the fallback.
    std::function<void()> requestDone;
};

// The desktop's own voice: requests go, in order, to the user's speech-dispatcher, which reads
// them with the voice, rate and volume the user chose for it. A queue and a thread of the voice's
// own stand in front of the server, so Speak never waits for it, and no wait for the server is
// unbounded: a message that never ends is given up on, and a server that stops answering is left
// behind, the requests it did not take going to the fallback voice.
class SpeechDispatcherVoice final : public SpeechVoice {
public:
    // Receives, in order, the requests the server can no longer take. Called on the voice's
    // thread, possibly after the voice has been destroyed, so it must own what it uses.
    using Fallback = std::function<void(const QString& text)>;

    // Returns at once.
    SpeechDispatcherVoice(std::unique_ptr<SpeechDispatcherConnection> connection, Fallback fallback,
                          SpeechDispatcherVoiceWatch watch = {});
    // Cancels what the server is still saying for us and closes the connection; returns within
    // about 100 ms whatever the server does.
    ~SpeechDispatcherVoice() override;
    SpeechDispatcherVoice(const SpeechDispatcherVoice&) = delete;
    SpeechDispatcherVoice& operator=(const SpeechDispatcherVoice&) = delete;

    void Speak(const QString& text) override;

    // How long the voice lets the server read `text` before it gives up on it: room for the
    // slowest rate a user can choose.
    static std::chrono::milliseconds speakingBound(const QString& text);
    // How long the voice waits for the server to answer a call.
    static constexpr std::chrono::milliseconds answerBound{2000};

private:
    struct State;
    static void work(const std::shared_ptr<State>& state);
    static void watchCalls(const std::shared_ptr<State>& state);

    std::shared_ptr<State> state_;
    std::thread worker_;
    std::thread watchdog_;
};
