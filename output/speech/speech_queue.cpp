#include "output/speech/speech_queue.h"

void SpeechQueue::push(const QString& text) {
    {
        const std::lock_guard lock(mutex_);
        if (closed_)
            return;
        texts_.push_back(text);
    }
    pushed_.notify_one();
}

std::optional<QString> SpeechQueue::take() {
    std::unique_lock lock(mutex_);
    pushed_.wait(lock, [this] { return closed_ || !texts_.empty(); });
    if (closed_)
        return std::nullopt;
    QString text = std::move(texts_.front());
    texts_.pop_front();
    return text;
}

void SpeechQueue::close() {
    std::deque<QString> dropped;
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
        dropped.swap(texts_);
    }
    pushed_.notify_all();
    // `dropped` is freed on leaving, outside the lock: freeing a long queue must not hold up a
    // push() on another thread.
}
