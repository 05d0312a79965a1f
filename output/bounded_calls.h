#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

// Runs calls that may never return (a stalled sound device, a mute speech service) one at a time on
// a thread of their own, waiting at most a bound for each. One that overruns is left behind on its
// thread, so a call must own or share all it touches. The destructor never waits.
class BoundedCalls {
public:
    // `onStart` runs first on every new thread (to raise its priority, say).
    explicit BoundedCalls(std::function<void()> onStart = {});
    ~BoundedCalls() { abandon(); }

    // True when `call` returned within `bound` and was not abandoned; otherwise it is left behind.
    bool run(std::function<void()> call, std::chrono::steady_clock::duration bound);

    // From any thread: lets the thread go, and a call in progress with it, whose run() says false.
    void abandon();

private:
    struct Thread;
    std::shared_ptr<Thread> current();

    const std::function<void()> onStart_;
    std::mutex mutex_;               // guards thread_ for abandon()
    std::shared_ptr<Thread> thread_; // the one calls go to; also held by the thread itself
};
