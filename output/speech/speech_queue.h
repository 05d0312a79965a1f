#pragma once

#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

// The voice's waiting requests, first in first out. It has no limit: a request is never refused
// and push() never waits for the voice, however far behind the voice is.
class SpeechQueue {
public:
    // Adds a request behind the others; ignored once the queue is closed.
    void push(const QString& text);

    // Waits for the oldest request and removes it; nothing once the queue is closed.
    std::optional<QString> take();

    // Drops every waiting request and makes take() return nothing from now on.
    void close();

private:
    std::mutex mutex_;
    std::condition_variable pushed_;
    std::deque<QString> texts_;
    bool closed_ = false;
};
