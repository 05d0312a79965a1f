#include "output/report.h"

#include <unistd.h>

#include <mutex>
#include <set>

void report(std::string_view line) {
    const std::string whole = "quorvel: " + std::string(line) + '\n';
    // Blocking, so one call writes the whole line; if it fails there is nowhere else to say it.
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, whole.data(), whole.size());
}

void reportOnce(const std::string& line) {
    // Never destroyed: a thread that is still working while the process ends may report.
    static auto* const mutex = new std::mutex;
    static auto* const reported = new std::set<std::string>;
    std::unique_lock lock(*mutex);
    if (!reported->insert(line).second)
        return;
    lock.unlock(); // not held while writing: a full pipe would hold up every other reporter
    report(line);
}
