#pragma once

#include "output/speech/speech_voice.h"

#include <chrono>
#include <functional>
#include <memory>

enum class Engine { speechDispatcher, espeak, none }; // none: silent from then on

// For tests and benchmarks: called on the voice thread, never after the destructor returns, when an
// engine takes over and after each request is done with. They must not call back into the voice.
struct VoiceWatch {
    std::function<void(Engine)> engineChosen = [](Engine) {};
    std::function<void()> requestDone = [] {};
};

// The program's voice: one thread reads each queued request to its end with the desktop's speech
// service (the user's voice and rate) or, while that cannot be reached or once it fails in any
// way, with espeak-ng.
class DesktopVoice final : public SpeechVoice {
public:
    // Returns at once: the voice thread connects. `askService` false speaks with espeak-ng alone.
    explicit DesktopVoice(VoiceWatch watch = {}, bool askService = true);
    // Stops speech at once and drops the queue. Waits for the voice thread at most closeBound: one
    // still inside a library call then ends on its own, keeping what it uses.
    ~DesktopVoice() override;

    void Speak(const QString& text) override;

    static constexpr std::chrono::milliseconds closeBound{300};

private:
    struct Thread;
    const std::shared_ptr<Thread> thread_;
};
