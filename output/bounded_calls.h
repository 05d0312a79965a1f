#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

// Runs calls that may never return (a sound device that stops taking sound, a speech service that
// stops answering) on a thread of their own, one at a time, and waits for each at most a bound.
// A call that overruns is left behind on its thread, which ends whenever the call returns, if
// ever; the next call starts on a fresh thread. So a call must own, or share, everything it
// touches: the one who asked may be long gone when it comes back.
// The destructor never waits: an idle thread ends at once, a busy one when its call returns.
class BoundedCalls {
public:
    // `onStart` runs first on every new thread (to raise its priority, say).
    explicit BoundedCalls(std::function<void()> onStart = {});
    ~BoundedCalls();

    // True when `call` returned within `bound`; false when it did not (it is left behind) or
    // when abandon() was called meanwhile.
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
