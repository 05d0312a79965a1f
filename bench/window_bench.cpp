// Start-up time (launch to the first window mapped on the X server) and peak memory of a program,
// measured beside the smallest Qt 6 window with one button, alternating the two in one run.
//   window_bench PROGRAM ANCHOR [RUNS]      (needs an X server, e.g. under xvfb-run)

#include "elapsed.h"

#include <xcb/xcb.h>

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Launch {
    double startupMs = -1;
    double peakMegabytes = 0;
};

// Starts the program and waits for its first top-level window to be mapped, then ends it and
// reads its peak resident memory.
Launch launchOnce(xcb_connection_t* x, xcb_window_t root, const char* program) {
    Launch result;
    const auto start = Clock::now();
    pid_t pid = 0;
    char* argv[] = {const_cast<char*>(program), nullptr};
    if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0)
        return result;

    const auto giveUpAt = start + std::chrono::seconds(20);
    while (Clock::now() < giveUpAt && result.startupMs < 0) {
        xcb_generic_event_t* event = xcb_poll_for_event(x);
        if (event == nullptr) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            continue;
        }
        if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
            auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (map->event == root && !map->override_redirect)
                result.startupMs = millisecondsSince(start);
        }
        free(event);
    }
    // Let it settle as a user would see it, then end it.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    kill(pid, SIGTERM);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    result.peakMegabytes = usage.ru_maxrss / 1024.0;
    return result;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: window_bench PROGRAM ANCHOR [RUNS]\n");
        return 2;
    }
    const int runs = argc > 3 ? std::atoi(argv[3]) : 9;
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "window_bench: no X server (run it under xvfb-run)\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);

    std::vector<double> programMs, anchorMs, programMb, anchorMb;
    launchOnce(x, root, argv[1]); // warm the file cache for both before measuring
    launchOnce(x, root, argv[2]);
    for (int i = 0; i < runs; ++i) {
        const Launch program = launchOnce(x, root, argv[1]);
        const Launch anchor = launchOnce(x, root, argv[2]);
        if (program.startupMs < 0 || anchor.startupMs < 0) {
            std::fprintf(stderr, "window_bench: a window did not appear\n");
            return 1;
        }
        programMs.push_back(program.startupMs);
        anchorMs.push_back(anchor.startupMs);
        programMb.push_back(program.peakMegabytes);
        anchorMb.push_back(anchor.peakMegabytes);
    }
    xcb_disconnect(x);

    const double p = median(programMs), a = median(anchorMs);
    std::printf("%-58s %10s %-3s %s\n", "figure", "value", "", "target");
    std::printf("%-58s %10.1f %-3s\n", "launch to first shown window, median", p, "ms");
    std::printf("%-58s %10.1f %-3s\n", "  minimal Qt 6 window with one button, median", a, "ms");
    std::printf("%-58s %10.2f %-3s %s\n", "  ratio", p / a, "", "<= 1.15");
    std::printf("%-58s %10.1f %-3s\n", "peak memory, median", median(programMb), "MB");
    std::printf("%-58s %10.1f %-3s\n", "  minimal Qt 6 window, median", median(anchorMb), "MB");
    std::printf("%-58s %10.1f %-3s %s\n", "  difference", median(programMb) - median(anchorMb),
                "MB", "<= 12 MB");
    return 0;
}
