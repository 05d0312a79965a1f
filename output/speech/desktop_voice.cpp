#include "output/speech/desktop_voice.h"

#include "output/report.h"

using namespace std::chrono_literals;

DesktopVoice::DesktopVoice(VoiceWatch watch, bool askService)
    : watch_(std::move(watch)), askService_(askService), thread_([this] { run(); }) {}

DesktopVoice::~DesktopVoice() {
    std::unique_lock lock(mutex_);
    closing_ = true;
    changed_.notify_all();
    // A call posted to an engine just after a stop() would wait out its bound; stopping again
    // until the voice thread has seen closing_ leaves no such gap.
    while (!finished_) {
        if (service_)
            service_->stop();
        if (espeak_)
            espeak_->stop();
        changed_.wait_for(lock, 10ms, [this] { return finished_; });
    }
    lock.unlock();
    thread_.join(); // it now only closes the service, within its own short bound
}

void DesktopVoice::Speak(const QString& text) {
    {
        const std::lock_guard lock(mutex_);
        queue_.push_back(text);
    }
    changed_.notify_all();
}

bool DesktopVoice::take(QString& text) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return closing_ || !queue_.empty(); });
    if (closing_) {
        finished_ = true;
        changed_.notify_all();
        return false;
    }
    text = std::move(queue_.front());
    queue_.pop_front();
    return true;
}

void DesktopVoice::useEspeak() {
    auto engine = std::make_unique<EspeakEngine>();
    const Engine chosen = engine->speaks() ? Engine::espeak : Engine::none;
    {
        const std::lock_guard lock(mutex_);
        espeak_ = std::move(engine);
    }
    if (watch_.engineChosen)
        watch_.engineChosen(chosen);
}

void DesktopVoice::run() {
    {
        // Connecting and loading take a core's worth of work, which the program's first window
        // needs more: they wait for the first request, or for the window to have come up.
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, 40ms, [this] { return closing_ || !queue_.empty(); });
    }
    std::string problem;
    if (askService_) {
        {
            const std::lock_guard lock(mutex_);
            service_ = std::make_unique<SpeechDispatcherEngine>();
        }
        if (service_->open(problem)) {
            if (watch_.engineChosen)
                watch_.engineChosen(Engine::speechDispatcher);
        } else {
            if (speechDispatcherExpected())
                report("speech-dispatcher cannot be reached (" + problem +
                       "); speaking with the built-in espeak-ng voice");
            const std::lock_guard lock(mutex_);
            service_.reset(); // it has nothing to close
        }
    }
    if (!service_)
        useEspeak();
    QString text;
    while (take(text)) {
        if (service_ && !service_->speak(text, problem)) {
            report("speech-dispatcher " + problem + "; the built-in espeak-ng voice reads on");
            std::unique_ptr<SpeechDispatcherEngine> lost;
            {
                const std::lock_guard lock(mutex_);
                lost.swap(service_);
            }
            lost.reset(); // within its own short bound
            useEspeak();
        }
        if (!service_)
            espeak_->speak(text);
        if (watch_.requestDone) {
            const std::unique_lock lock(mutex_);
            if (closing_)
                continue; // cut short
            watch_.requestDone();
        }
    }
    std::unique_ptr<SpeechDispatcherEngine> service;
    std::unique_ptr<EspeakEngine> espeak;
    {
        const std::lock_guard lock(mutex_);
        service.swap(service_);
        espeak.swap(espeak_);
    }
}
