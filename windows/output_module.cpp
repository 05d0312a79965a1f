#include "windows/output_module.h"

#include "output/report.h"

#include <QEvent>
#include <QTimer>

#include <dlfcn.h>

class OutputModule::Voice final : public SpeechVoice {
public:
    explicit Voice(OutputModule& module) : module_(module) {}
    ~Voice() override {
        std::unique_lock lock(module_.mutex_);
        module_.voiceClosed_ = true;
        const auto voice = std::move(module_.voice_);
        lock.unlock(); // closing the voice may take its whole bound
    }

    // On the user-interface thread, the only one that changes the voice once it is loaded.
    void Speak(const QString& text) override {
        module_.loaded();
        if (module_.voice_)
            module_.voice_->Speak(text);
    }

private:
    OutputModule& module_;
};

std::unique_ptr<SpeechVoice> OutputModule::makeVoice() {
    return std::make_unique<Voice>(*this);
}

OutputParts& OutputModule::loaded() {
    const std::lock_guard lock(mutex_);
    if (loaded_ || stopped_) // once the sound is stopped for good, the module has nothing to do
        return parts_;
    loaded_ = true;
    // Never closed: the module's threads and its libraries' own run until the process ends.
    void* module = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto* make = reinterpret_cast<decltype(&makeOutputParts)>(
        module ? dlsym(module, "makeOutputParts") : nullptr);
    if (make == nullptr) {
        const char* why = dlerror();
        report(std::string("the sound and speech module does not load (") + (why ? why : path_) +
               "); key tones and speech are silent");
        return parts_;
    }
    make(parts_);
    if (!voiceClosed_)
        voice_ = parts_.makeVoice();
    return parts_;
}

void OutputModule::PlayClips(const QStringList& paths) {
    if (ClipPlayer* speaker = loaded().speaker.get())
        speaker->PlayClips(paths);
}

void OutputModule::stop() {
    const std::lock_guard lock(mutex_);
    stopped_ = true;
    if (parts_.speaker)
        parts_.speaker->stop();
}

bool OutputModule::eventFilter(QObject* window, QEvent* event) {
    // Loaded from the event loop once the first paint is on the screen.
    if (event->type() == QEvent::Paint) {
        window->removeEventFilter(this);
        QTimer::singleShot(0, this, [this] { loaded(); });
    }
    return false;
}
