#include "output/speech/desktop_voice.h"

#include "output/report.h"
#include "output/speech/espeak_engine.h"
#include "output/speech/speech_dispatcher_engine.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;

// What the voice thread works with. Shared with it, so that a thread left inside a library call
// when the voice closes still has everything it touches.
struct DesktopVoice::Thread {
    Thread(VoiceWatch w, bool ask) : watch(std::move(w)), askService(ask) {}

    const VoiceWatch watch;
    // A service that could not be reached is asked again at each request: starting one can
    // take seconds on a busy machine. One that failed while speaking is not.
    bool askService;
    bool toldUnreachable = false;
    std::string unreachable;                     // why the last try failed
    std::chrono::steady_clock::time_point tried; // when it ended
    std::mutex mutex; // guards all below; the engines change on the voice thread alone
    std::condition_variable changed;
    std::deque<QString> queue;
    bool closing = false;
    bool finished = false; // the voice thread has seen closing and makes no further call
    std::unique_ptr<SpeechDispatcherEngine> service;
    std::unique_ptr<EspeakEngine> espeak;

    void run();
    void read(const QString& text);
    bool connect(std::chrono::milliseconds bound);
    // Reports `why`, when there is one, and hands the voice's work to espeak-ng.
    void useEspeak(const std::string& why);
};

DesktopVoice::DesktopVoice(VoiceWatch watch, bool askService)
    : thread_(std::make_shared<Thread>(std::move(watch), askService)) {
    std::thread([thread = thread_] { thread->run(); }).detach();
}

DesktopVoice::~DesktopVoice() {
    std::unique_lock lock(thread_->mutex);
    thread_->closing = true;
    thread_->changed.notify_all();
    const auto deadline = std::chrono::steady_clock::now() + closeBound;
    // Until the voice thread sees closing: a call posted just after stop() would wait its bound.
    do {
        if (thread_->service)
            thread_->service->stop();
        if (thread_->espeak)
            thread_->espeak->stop();
    } while (!thread_->changed.wait_for(lock, 10ms, [this] { return thread_->finished; }) &&
             std::chrono::steady_clock::now() < deadline);
}

void DesktopVoice::Speak(const QString& text) {
    const std::lock_guard lock(thread_->mutex);
    thread_->queue.push_back(text);
    thread_->changed.notify_all();
}

bool DesktopVoice::Thread::connect(std::chrono::milliseconds bound) {
    auto engine = std::make_unique<SpeechDispatcherEngine>();
    const bool opened = engine->open(unreachable, bound);
    tried = std::chrono::steady_clock::now();
    if (!opened)
        return false;
    const std::lock_guard lock(mutex);
    service = std::move(engine);
    if (!closing)
        watch.engineChosen(Engine::speechDispatcher);
    return true;
}

void DesktopVoice::Thread::useEspeak(const std::string& why) {
    if (!why.empty())
        report(why);
    auto engine = espeak ? nullptr : std::make_unique<EspeakEngine>();
    std::unique_lock lock(mutex);
    if (engine)
        espeak = std::move(engine);
    const std::unique_ptr<SpeechDispatcherEngine> lost = std::move(service);
    if (!closing)
        watch.engineChosen(espeak->speaks() ? Engine::espeak : Engine::none);
    lock.unlock(); // closing the lost service may take its whole bound
}

void DesktopVoice::Thread::read(const QString& text) {
    // Not asked again for a request made while the last try still waited for an answer.
    if (!service && askService && std::chrono::steady_clock::now() >= tried + 1s)
        connect(SpeechDispatcherEngine::againBound);
    if (!service && askService && !std::exchange(toldUnreachable, true))
        report("speech-dispatcher cannot be reached (" + unreachable +
               "); speaking with the built-in espeak-ng voice");
    std::string problem;
    if (service && !service->speak(text, problem)) {
        askService = false;
        useEspeak("speech-dispatcher " + problem + "; the built-in espeak-ng voice reads on");
    }
    if (!service)
        espeak->speak(text);
}

void DesktopVoice::Thread::run() {
    // At start a failure is not news yet: a service being started may answer by the first Say.
    if (!askService || !connect(SpeechDispatcherEngine::connectionBound))
        useEspeak("");
    askService = askService && speechDispatcherExpected();
    std::unique_lock lock(mutex);
    while (true) {
        changed.wait(lock, [this] { return closing || !queue.empty(); });
        if (closing)
            break;
        const QString text = queue.front();
        lock.unlock();
        read(text);
        lock.lock();
        queue.pop_front();
        if (!closing) // a request cut short is not done
            watch.requestDone();
    }
    // Closed here, not by whoever lets go of this last: the service within its short bound.
    std::unique_ptr<SpeechDispatcherEngine> lost = std::move(service);
    std::unique_ptr<EspeakEngine> unused = std::move(espeak);
    lock.unlock();
    lost.reset();
    unused.reset();
    lock.lock();
    finished = true;
    changed.notify_all();
}
