#pragma once

#include "output/speech/espeak_engine.h"
#include "output/speech/speech_dispatcher_engine.h"
#include "output/speech/speech_voice.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

enum class Engine { speechDispatcher, espeak, none }; // none: silent from then on

// For tests and benchmarks: called on the voice thread, never after the destructor returns, when an
// engine takes over and after each request is done with. They must not call back into the voice.
struct VoiceWatch {
    std::function<void(Engine)> engineChosen = [](Engine) {};
    std::function<void()> requestDone = [] {};
};

// The program's voice: one thread reads each queued request to its end with the desktop's speech
// service (the user's voice and rate) or, once that fails in any way, with espeak-ng from then on.
class DesktopVoice final : public SpeechVoice {
public:
    // Returns at once: the voice thread connects. `askService` false speaks with espeak-ng alone.
    explicit DesktopVoice(VoiceWatch watch = {}, bool askService = true);
    // Stops speech at once and drops the queue; waits for the service at most ~120 ms.
    ~DesktopVoice() override;

    void Speak(const QString& text) override;

private:
    void run();
    // Reports `why`, when there is one, and hands the rest of the voice's work to espeak-ng.
    void useEspeak(const std::string& why);

    const VoiceWatch watch_;
    std::mutex mutex_; // guards all below; the engines change on the voice thread alone
    std::condition_variable changed_;
    std::deque<QString> queue_;
    bool closing_ = false;
    bool finished_ = false; // the voice thread has seen closing_ and makes no further call
    std::unique_ptr<SpeechDispatcherEngine> service_;
    std::unique_ptr<EspeakEngine> espeak_;
    std::thread thread_; // last: it uses everything above from its first moment
};
