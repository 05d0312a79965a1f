#include "voice_progress.h"

#include <algorithm>

EspeakVoiceWatch VoiceProgress::watch() {
    auto note = [this](auto change) {
        {
            const std::lock_guard lock(mutex_);
            change();
        }
        changed_.notify_all();
    };
    return EspeakVoiceWatch{
        [this, note](bool speaks) {
            note([&] {
                speaks_ = speaks;
                engineThread_ = std::this_thread::get_id();
            });
        },
        [this, note](std::chrono::steady_clock::time_point) {
            note([&] { soundStarted_ = true; });
        },
        [this, note] { note([&] { ++requestsDone_; }); },
    };
}

template <typename Predicate>
bool VoiceProgress::waitUntil(std::chrono::milliseconds timeout, Predicate done) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, done);
}

bool VoiceProgress::waitForRequests(int count, std::chrono::milliseconds timeout) {
    return waitUntil(timeout, [&] { return requestsDone_ >= count; });
}

bool VoiceProgress::waitForSound(std::chrono::milliseconds timeout) {
    return waitUntil(timeout, [&] { return soundStarted_; });
}

std::optional<bool> VoiceProgress::waitForEngine(std::chrono::milliseconds timeout) {
    waitUntil(timeout, [&] { return speaks_.has_value(); });
    const std::lock_guard lock(mutex_);
    return speaks_;
}

int VoiceProgress::requestsDone() const {
    const std::lock_guard lock(mutex_);
    return requestsDone_;
}

std::thread::id VoiceProgress::engineThread() const {
    const std::lock_guard lock(mutex_);
    return engineThread_;
}

double slowestOfManySpeaks(SpeechVoice& voice, int count, const QString& text) {
    double slowest = 0;
    for (int i = 0; i < count; ++i) {
        const auto before = std::chrono::steady_clock::now();
        voice.Speak(text);
        slowest = std::max(slowest, std::chrono::duration<double, std::milli>(
                                        std::chrono::steady_clock::now() - before)
                                        .count());
    }
    return slowest;
}
