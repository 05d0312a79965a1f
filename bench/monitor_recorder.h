#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

struct pa_simple;

// Records the paced sound server's sink monitor (the source named by PAREC_SINK, set by
// scripts/with-paced-sound) and notes when each tone began there, by the time its block of
// samples arrived: a measure of when sound is heard that owes nothing to the player's own
// reports.
class MonitorRecorder {
public:
    MonitorRecorder();
    ~MonitorRecorder();
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;

    bool recording() const { return stream_ != nullptr; }

    // The first tone that began at or after `after`, if one has.
    std::chrono::steady_clock::time_point
    firstToneAfter(std::chrono::steady_clock::time_point after);

private:
    void record();

    pa_simple* stream_ = nullptr;
    std::atomic<bool> running_{true};
    std::mutex mutex_;
    std::vector<std::chrono::steady_clock::time_point> toneStarts_;
    std::thread thread_;
};
