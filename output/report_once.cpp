#include "output/report_once.h"

#include <cstdio>
#include <mutex>
#include <set>

void reportOnce(const std::string& message) {
    static std::mutex mutex;
    static std::set<std::string> reported;
    const std::lock_guard lock(mutex);
    if (reported.insert(message).second)
        std::fprintf(stderr, "quorvel: %s\n", message.c_str());
}
