#include "output/speech/speech_dispatcher_voice.h"

#include "output/report.h"
#include "output/speech/speech_dispatcher_connection.h"
#include "output/speech/speech_queue.h"

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// How long the destructor lets the voice's thread cancel our speech and close the connection
// before it breaks the connection off, and then before it leaves the thread behind.
constexpr auto politeClosing = 70ms;
constexpr auto forcedClosing = 20ms;

} // namespace

struct SpeechDispatcherVoice::State {
    State(std::unique_ptr<SpeechDispatcherConnection> link, Fallback passOn,
          SpeechDispatcherVoiceWatch seen)
        : connection(std::move(link)), remote(connection->remote()), fallback(std::move(passOn)),
          watch(std::move(seen)) {}

    SpeechQueue queue;
    std::unique_ptr<SpeechDispatcherConnection> connection; // the worker's alone
    const SpeechDispatcherConnection::Remote remote;
    const Fallback fallback;

    std::mutex mutex;
    std::condition_variable changed;
    std::optional<Clock::time_point> callDeadline; // while a call to the server is under way
    bool closing = false;
    bool closed = false; // the worker has closed the connection and is about to end

    // The watch is used under its own lock, so the destructor can make sure it is not in use.
    std::mutex watchMutex;
    const SpeechDispatcherVoiceWatch watch;
    bool watching = true;

    template <typename Moment, typename... Arguments>
    void tell(const Moment& moment, Arguments... arguments) {
        const std::lock_guard lock(watchMutex);
        if (watching && watch.*moment)
            (watch.*moment)(arguments...);
    }

    bool isClosing() {
        const std::lock_guard lock(mutex);
        return closing;
    }

    // Runs one call to the server while the watchdog keeps time.
    template <typename Call> auto timed(Call call) {
        {
            const std::lock_guard lock(mutex);
            callDeadline = Clock::now() + answerBound;
        }
        changed.notify_all();
        auto result = call();
        {
            const std::lock_guard lock(mutex);
            callDeadline.reset();
        }
        return result;
    }
};

SpeechDispatcherVoice::SpeechDispatcherVoice(std::unique_ptr<SpeechDispatcherConnection> connection,
                                             Fallback fallback, SpeechDispatcherVoiceWatch watch)
    : state_(std::make_shared<State>(std::move(connection), std::move(fallback), std::move(watch))),
      worker_(work, state_), watchdog_(watchCalls, state_) {}

SpeechDispatcherVoice::~SpeechDispatcherVoice() {
    {
        const std::lock_guard lock(state_->watchMutex);
        state_->watching = false;
    }
    {
        const std::lock_guard lock(state_->mutex);
        state_->closing = true;
    }
    state_->changed.notify_all();
    state_->queue.close();
    state_->remote.interrupt();
    watchdog_.join(); // it never waits for the server

    // The worker now cancels our speech and closes the connection, which takes a healthy
    // server a millisecond or two. A stopped one gets its connection broken off, and a worker
    // still stuck in libspeechd is left behind, holding its own share of the state.
    std::unique_lock lock(state_->mutex);
    if (!state_->changed.wait_for(lock, politeClosing, [this] { return state_->closed; })) {
        state_->remote.breakOff();
        state_->changed.wait_for(lock, forcedClosing, [this] { return state_->closed; });
    }
    const bool closed = state_->closed;
    lock.unlock();
    if (closed)
        worker_.join();
    else
        worker_.detach();
}

void SpeechDispatcherVoice::Speak(const QString& text) {
    state_->queue.push(text);
}

std::chrono::milliseconds SpeechDispatcherVoice::speakingBound(const QString& text) {
    // At speech-dispatcher's slowest rate a digit and its blank take about half a second.
    return 4000ms + 500ms * text.size();
}

void SpeechDispatcherVoice::work(const std::shared_ptr<State>& state) {
    blockBrokenPipeSignal();
    bool answering = true; // the server takes our requests
    bool stalled = false;  // the last request was given up on
    while (const std::optional<QString> text = state->queue.take()) {
        std::optional<int> id;
        if (answering) {
            id = state->timed([&] { return state->connection->say(*text); });
            if (!id && !state->isClosing()) {
                answering = false;
                report("speech-dispatcher stopped answering; the built-in espeak-ng voice "
                       "reads the rest");
            }
        }
        if (!id) {
            if (state->fallback && !state->isClosing())
                state->fallback(*text);
            state->tell(&SpeechDispatcherVoiceWatch::requestDone);
            continue;
        }
        const auto outcome =
            state->connection->waitForEnd(*id, Clock::now() + speakingBound(*text));
        if (outcome.began)
            state->tell(&SpeechDispatcherVoiceWatch::speechBegan, *outcome.began);
        using Ending = SpeechDispatcherConnection::Ending;
        if (outcome.ending == Ending::interrupted)
            break;
        if (outcome.ending == Ending::stillSpeaking) {
            if (!stalled)
                report("speech-dispatcher did not finish reading a request in time (is its "
                       "sound device stuck?); going on with the next");
            // Our stuck message would hold up the ones behind it in the server's queue.
            state->timed([&] { return state->connection->cancel(); });
        }
        stalled = outcome.ending == Ending::stillSpeaking;
        state->tell(&SpeechDispatcherVoiceWatch::requestDone);
    }
    // Cancels what the server still says for us, then closes.
    state->connection.reset();
    {
        const std::lock_guard lock(state->mutex);
        state->closed = true;
    }
    state->changed.notify_all();
}

void SpeechDispatcherVoice::watchCalls(const std::shared_ptr<State>& state) {
    std::unique_lock lock(state->mutex);
    while (!state->closing) {
        if (!state->callDeadline) {
            state->changed.wait(lock);
        } else if (Clock::now() < *state->callDeadline) {
            state->changed.wait_until(lock, *state->callDeadline);
        } else {
            // The call returns at once with a failure, and every later one too.
            state->remote.breakOff();
            state->callDeadline.reset();
        }
    }
}
