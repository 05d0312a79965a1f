#include "output/speech/desktop_voice.h"

#include "output/report.h"

using namespace std::chrono_literals;

DesktopVoice::DesktopVoice(VoiceWatch watch, bool askService)
    : watch_(std::move(watch)),
      service_(askService ? std::make_unique<SpeechDispatcherEngine>() : nullptr),
      thread_([this] { run(); }) {}

DesktopVoice::~DesktopVoice() {
    std::unique_lock lock(mutex_);
    closing_ = true;
    changed_.notify_all();
    // Until the voice thread sees closing_: a call posted just after stop() would wait its bound.
    do {
        if (service_)
            service_->stop();
        if (espeak_)
            espeak_->stop();
    } while (!changed_.wait_for(lock, 10ms, [this] { return finished_; }));
    lock.unlock();
    thread_.join(); // it makes no further call; the engines close within their own short bounds
}

void DesktopVoice::Speak(const QString& text) {
    const std::lock_guard lock(mutex_);
    queue_.push_back(text);
    changed_.notify_all();
}

void DesktopVoice::useEspeak(const std::string& why) {
    if (!why.empty())
        report(why);
    auto engine = std::make_unique<EspeakEngine>();
    std::unique_lock lock(mutex_);
    espeak_ = std::move(engine);
    const std::unique_ptr<SpeechDispatcherEngine> lost = std::move(service_);
    lock.unlock(); // closing the lost service may take its whole bound
    watch_.engineChosen(espeak_->speaks() ? Engine::espeak : Engine::none);
}

void DesktopVoice::run() {
    std::string problem;
    std::unique_lock lock(mutex_);
    if (!closing_) {
        lock.unlock();
        if (service_ && service_->open(problem))
            watch_.engineChosen(Engine::speechDispatcher);
        else
            useEspeak(service_ && speechDispatcherExpected()
                          ? "speech-dispatcher cannot be reached (" + problem +
                                "); speaking with the built-in espeak-ng voice"
                          : "");
        lock.lock();
    }
    while (true) {
        changed_.wait(lock, [this] { return closing_ || !queue_.empty(); });
        if (closing_)
            break;
        const QString text = queue_.front();
        lock.unlock();
        if (service_ && !service_->speak(text, problem))
            useEspeak("speech-dispatcher " + problem + "; the built-in espeak-ng voice reads on");
        if (!service_)
            espeak_->speak(text);
        lock.lock();
        queue_.pop_front();
        if (!closing_) // a request cut short is not done
            watch_.requestDone();
    }
    finished_ = true;
    changed_.notify_all();
}
