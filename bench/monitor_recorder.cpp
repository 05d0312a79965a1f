#include "monitor_recorder.h"

#include <pulse/simple.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int rate = 22050;
constexpr std::size_t blockFrames = 128;   // about 6 ms: the recording's time resolution
constexpr std::size_t windowFrames = 55;   // 2.5 ms of sound judged loud or quiet at once
constexpr double loud = 0.1 * 32767;       // the key tones peak at half of full scale
constexpr int quietWindowsBeforeTone = 12; // 30 ms of quiet parts one tone from the next

} // namespace

MonitorRecorder::MonitorRecorder() {
    const char* source = std::getenv("PAREC_SINK");
    const pa_sample_spec sampleFormat{PA_SAMPLE_S16LE, rate, 1};
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<std::uint32_t>(-1);
    attributes.fragsize = blockFrames * 2;
    stream_ = pa_simple_new(nullptr, "clip_bench", PA_STREAM_RECORD, source, "monitor",
                            &sampleFormat, nullptr, &attributes, nullptr);
    if (stream_ != nullptr)
        thread_ = std::thread([this] { record(); });
}

MonitorRecorder::~MonitorRecorder() {
    running_ = false;
    if (thread_.joinable())
        thread_.join(); // the paced monitor delivers a block every few milliseconds
    if (stream_ != nullptr)
        pa_simple_free(stream_);
}

void MonitorRecorder::record() {
    std::int16_t block[blockFrames];
    int quietWindows = 0;
    bool sounding = false;
    while (running_) {
        if (pa_simple_read(stream_, block, sizeof block, nullptr) < 0)
            return;
        const auto arrived = Clock::now();
        for (std::size_t start = 0; start + windowFrames <= blockFrames; start += windowFrames) {
            double energy = 0;
            for (std::size_t i = start; i < start + windowFrames; ++i)
                energy += double(block[i]) * block[i];
            const bool isLoud = std::sqrt(energy / windowFrames) > loud;
            if (isLoud && !sounding && quietWindows >= quietWindowsBeforeTone) {
                // This window was played as many samples before the block arrived as follow it.
                const auto before =
                    std::chrono::duration<double>(double(blockFrames - start) / rate);
                const std::lock_guard lock(mutex_);
                toneStarts_.push_back(arrived -
                                      std::chrono::duration_cast<Clock::duration>(before));
            }
            sounding = isLoud;
            quietWindows = isLoud ? 0 : quietWindows + 1;
        }
    }
}

Clock::time_point MonitorRecorder::firstToneAfter(Clock::time_point after) {
    const std::lock_guard lock(mutex_);
    const auto found = std::find_if(toneStarts_.begin(), toneStarts_.end(),
                                    [after](Clock::time_point start) { return start >= after; });
    return found != toneStarts_.end() ? *found : Clock::time_point{};
}
