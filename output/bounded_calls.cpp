#include "output/bounded_calls.h"

#include <condition_variable>
#include <thread>

struct BoundedCalls::Thread {
    std::mutex mutex;
    std::condition_variable changed;
    std::function<void()> call; // posted and not yet finished
    bool ending = false; // the owner has let go: the call in hand is not waited for, the next none

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

BoundedCalls::~BoundedCalls() {
    if (!thread_)
        return;
    const std::lock_guard lock(thread_->mutex);
    thread_->ending = true;
    thread_->changed.notify_all();
}

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
    thread->ending = true; // stuck or given up on: the thread is left to end on its own
    lock.unlock();
    thread->changed.notify_all();
    const std::lock_guard owner(mutex_);
    if (thread_ == thread)
        thread_.reset();
    return false;
}

void BoundedCalls::abandon() {
    const std::lock_guard owner(mutex_);
    if (!thread_)
        return;
    const std::lock_guard lock(thread_->mutex);
    if (thread_->call) {
        thread_->ending = true;
        thread_->changed.notify_all();
    }
}
