#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

// Runs calls that may never return (a stalled sound device, a speech service that stops answering)
// one at a time on a thread of their own, waiting for each at most a bound. A call that overruns is
// left behind on its thread and the next starts on a fresh one, so a call must own or share all it
// touches. The destructor never waits: an idle thread ends at once, a busy one when its call does.
class BoundedCalls {
public:
    // `onStart` runs first on every new thread (to raise its priority, say).
    explicit BoundedCalls(std::function<void()> onStart = {});
    ~BoundedCalls();

    // True when `call` returned within `bound` and was not abandoned; otherwise it is left behind.
    bool run(std::function<void()> call, std::chrono::steady_clock::duration bound);

    // From any thread: the call in progress is left behind at once, and its run() returns false.
    void abandon();

private:
    struct Thread;
    std::shared_ptr<Thread> current();

    const std::function<void()> onStart_;
    std::mutex mutex_;               // guards thread_ for abandon()
    std::shared_ptr<Thread> thread_; // the one calls go to; also held by the thread itself
};
