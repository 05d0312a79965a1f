#include "output/bounded_calls.h"

#include <condition_variable>
#include <thread>
#include <utility>

struct BoundedCalls::Thread {
    std::mutex mutex;
    std::condition_variable changed;
    std::function<void()> call; // posted and not yet finished
    bool ending = false; // let go: the call in hand is waited for no more, and none follows it

    void serve() {
        std::unique_lock lock(mutex);
        while (true) {
            changed.wait(lock, [this] { return ending || call; });
            if (!call)
                return;
            std::function<void()> next = call;
            lock.unlock();
            next();
            next = nullptr; // what it owned goes now, not at the next call
            lock.lock();
            call = nullptr;
            changed.notify_all();
        }
    }
};

BoundedCalls::BoundedCalls(std::function<void()> onStart) : onStart_(std::move(onStart)) {}

std::shared_ptr<BoundedCalls::Thread> BoundedCalls::current() {
    const std::lock_guard lock(mutex_);
    if (!thread_) {
        thread_ = std::make_shared<Thread>();
        // Detached from the start: nobody ever joins a thread that may sit in a blocking call.
        std::thread([thread = thread_, onStart = onStart_] {
            if (onStart)
                onStart();
            thread->serve();
        }).detach();
    }
    return thread_;
}

bool BoundedCalls::run(std::function<void()> call, std::chrono::steady_clock::duration bound) {
    const std::shared_ptr<Thread> thread = current();
    std::unique_lock lock(thread->mutex);
    thread->call = std::move(call);
    thread->changed.notify_all();
    if (thread->changed.wait_for(lock, bound, [&] { return !thread->call || thread->ending; }) &&
        !thread->ending)
        return true;
    lock.unlock();
    abandon(); // stuck, or given up on meanwhile
    return false;
}

void BoundedCalls::abandon() {
    const std::lock_guard owner(mutex_);
    if (const std::shared_ptr<Thread> thread = std::exchange(thread_, nullptr)) {
        const std::lock_guard lock(thread->mutex);
        thread->ending = true;
        thread->changed.notify_all();
    }
}
