#include "voice_progress.h"

#include "elapsed.h"

#include <algorithm>

VoiceWatch VoiceProgress::watch() {
    return VoiceWatch{
        [this](Engine engine) {
            {
                const std::lock_guard lock(mutex_);
                if (engines_.empty()) {
                    chosenAt_ = std::chrono::steady_clock::now();
                    voiceThread_ = std::this_thread::get_id();
                }
                engines_.push_back(engine);
            }
            changed_.notify_all();
        },
        [this] {
            {
                const std::lock_guard lock(mutex_);
                ++requestsDone_;
            }
            changed_.notify_all();
        },
    };
}

bool VoiceProgress::waitForRequests(int count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requestsDone_ >= count; });
}

std::optional<Engine> VoiceProgress::waitForEngine(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, timeout, [&] { return !engines_.empty(); }))
        return std::nullopt;
    return engines_.front();
}

int VoiceProgress::requestsDone() const {
    const std::lock_guard lock(mutex_);
    return requestsDone_;
}

std::vector<Engine> VoiceProgress::engines() const {
    const std::lock_guard lock(mutex_);
    return engines_;
}

std::chrono::steady_clock::time_point VoiceProgress::chosenAt() const {
    const std::lock_guard lock(mutex_);
    return chosenAt_;
}

std::thread::id VoiceProgress::voiceThread() const {
    const std::lock_guard lock(mutex_);
    return voiceThread_;
}

double slowestOfManySpeaks(SpeechVoice& voice, int count, const QString& text) {
    double slowest = 0;
    for (int i = 0; i < count; ++i) {
        const auto before = std::chrono::steady_clock::now();
        voice.Speak(text);
        slowest = std::max(slowest, millisecondsSince(before));
    }
    return slowest;
}
