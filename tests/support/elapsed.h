#pragma once

#include <chrono>

// Milliseconds gone by since `start`, with their fraction.
inline double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}
