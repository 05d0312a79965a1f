#pragma once

#include <fstream>
#include <string>

// Resident memory of this process, in kilobytes, as the kernel counts it.
inline long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        long value = 0;
        if (key == "VmRSS:" && status >> value)
            return value;
        status.ignore(1 << 16, '\n');
    }
    return 0;
}
