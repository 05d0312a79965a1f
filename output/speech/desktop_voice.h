#pragma once

#include "output/speech/espeak_voice.h"
#include "output/speech/speech_dispatcher_voice.h"

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Which voice speaks, once that is settled.
enum class ChosenVoice { speechDispatcher, espeak };

// Moments in the choice, for tests and benchmarks; the watches of the two voices are handed on.
struct DesktopVoiceWatch {
    // Once, on the choosing thread, when the voice that speaks has been chosen.
    std::function<void(ChosenVoice)> chosen;
    SpeechDispatcherVoiceWatch speechDispatcher;
    EspeakVoiceWatch espeak;
};

// The program's voice: the desktop's speech service when it can be reached within a short bound,
// so the user hears the voice and rate they chose for their desktop, else the built-in espeak-ng
// voice. The choice is made on a thread of its own; requests made meanwhile wait, in order, for
// whichever voice wins. Should the service stop answering later, espeak-ng reads on.
class DesktopVoice final : public SpeechVoice {
public:
    // Returns at once.
    DesktopVoice();
    explicit DesktopVoice(DesktopVoiceWatch watch);
    // Stops speech at once, whichever voice speaks; never waits for the service beyond ~100 ms.
    ~DesktopVoice() override;
    DesktopVoice(const DesktopVoice&) = delete;
    DesktopVoice& operator=(const DesktopVoice&) = delete;

    void Speak(const QString& text) override;

    // How long the service has to answer before the built-in voice is chosen.
    static constexpr std::chrono::milliseconds connectionBound{2000};

private:
    struct Opening;
    struct Fallback;
    void choose();

    const DesktopVoiceWatch watch_;
    std::mutex mutex_; // guards the three below
    std::deque<QString> waiting_;
    std::unique_ptr<SpeechDispatcherVoice> speechDispatcher_;
    bool espeakChosen_ = false;
    std::shared_ptr<Opening> opening_;
    std::shared_ptr<Fallback> fallback_;
    std::thread chooser_; // last: it uses everything above from its first moment
};

// Whether this session is meant to have speech-dispatcher: its address is set, its socket is
// there, or the server is installed and can be started. Only then is failing to reach it news.
bool speechDispatcherExpected();
