#pragma once

#include "output/bounded_calls.h"

#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

// The desktop's speech service, speech-dispatcher through libspeechd, as a synchronous engine.
// It sets nothing that changes how speech sounds, so the user's own voice and rate apply. Every
// libspeechd call runs through BoundedCalls: a server that stops answering is left behind.
class SpeechDispatcherEngine {
public:
    SpeechDispatcherEngine();
    // Cancels what the server still says for us and closes, within about 120 ms.
    ~SpeechDispatcherEngine();

    // Connects to the user's server, starting it first when it is not running; false, with
    // `problem` saying why, when it does not answer properly within connectionBound.
    bool open(std::string& problem);

    // Returns once the server reports the message's end, or that another client cut it short:
    // true. False, with `problem` saying why, when the server hung up, stopped answering, cannot
    // play the message or did not finish it in time; the message is then cancelled there.
    bool speak(const QString& text, std::string& problem);

    // From any thread: the speak() or open() in progress returns at once.
    void stop();

    static constexpr std::chrono::milliseconds connectionBound{2000};
    // A healthy server answers a request in a millisecond or two.
    static constexpr std::chrono::milliseconds answerBound{1000};
    // How long the first word of a message may take to be heard once the server has begun it:
    // a word such as "Telephone" at the slowest rate a user can choose takes about a second.
    // Counted from its start, so the wait behind a screen reader's own speech is not counted.
    static constexpr std::chrono::milliseconds firstWordBound{1500};
    // How long a message may take to sound, from its start (or, where the server does not report
    // it, from its sending, which includes a short wait behind a screen reader's own speech): at
    // the slowest rate a user can choose, a digit and its blank take about half a second.
    static std::chrono::milliseconds speakingBound(const QString& text) {
        return std::chrono::milliseconds(4000 + 500 * text.size());
    }

    struct Link; // the connection, shared with calls that may be left behind

private:
    bool call(std::function<void(Link&)> request, std::chrono::milliseconds bound);

    BoundedCalls calls_;
    std::shared_ptr<Link> link_;
    bool opened_ = false;
    bool leftBehind_ = false; // a call is still inside libspeechd: never close the connection
};

// Whether this session is meant to have speech-dispatcher: its address is set, its socket is
// there, or the server is installed and can be started. Only then is failing to reach it news.
bool speechDispatcherExpected();
