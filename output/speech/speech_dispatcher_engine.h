#pragma once

#include "output/bounded_calls.h"

#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

// speech-dispatcher through libspeechd, as a synchronous engine that leaves the user's voice and
// rate alone. Every call runs through BoundedCalls: a server that stops answering is left behind.
class SpeechDispatcherEngine {
public:
    SpeechDispatcherEngine();
    ~SpeechDispatcherEngine(); // cancels our speech at the server and closes, within ~120 ms

    // Connects (starting the server if need be) within `bound`, for English; else false, with
    // `problem`.
    bool open(std::string& problem, std::chrono::milliseconds bound = connectionBound);

    // True once the server reports the message's end, or another client's cut after its first
    // word (an earlier cut sends it again). False, with `problem`, when it hung up, stopped
    // answering, cannot play or overran; then it is cancelled.
    bool speak(const QString& text, std::string& problem);

    void stop(); // from any thread: the speak() in progress returns once no call is under way

    static constexpr std::chrono::milliseconds connectionBound{2000};
    // Asked again at a Say: one that has started by then answers within milliseconds, and one
    // that has not must not hold the Say up.
    static constexpr std::chrono::milliseconds againBound{500};
    // A healthy server answers a request in a millisecond or two.
    static constexpr std::chrono::milliseconds answerBound{1000};
    // For the first word once the message has begun: "Telephone" at the slowest rate a user can
    // choose takes about a second. Modules that report no index marks are taken for mute.
    static constexpr std::chrono::milliseconds firstWordBound{1500};
    // From the message's start, or its sending where the start is not reported: at the slowest
    // rate, a digit and its blank take about half a second.
    static std::chrono::milliseconds speakingBound(const QString& text) {
        return std::chrono::milliseconds(4000 + 500 * text.size());
    }

    struct Link; // the connection, shared with calls that may be left behind

    // How often a request cut before its first word is sent again.
    static constexpr int repeatsAfterEarlyCut = 2;

private:
    bool call(std::function<void(Link&)> request, std::chrono::milliseconds bound);

    BoundedCalls calls_;
    std::shared_ptr<Link> link_;
    bool opened_ = false;
    bool leftBehind_ = false; // a call is still inside libspeechd: never close the connection
};

// Whether this session is meant to have speech-dispatcher: its address is set, or the server is
// installed and can be started. Only then is failing to reach it news.
bool speechDispatcherExpected();
