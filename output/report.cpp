#include "output/report.h"

#include <unistd.h>

#include <mutex>
#include <set>

void report(std::string_view line) {
    const std::string whole = "quorvel: " + std::string(line) + '\n';
    std::string_view left = whole;
    while (!left.empty()) {
        const ssize_t written = ::write(STDERR_FILENO, left.data(), left.size());
        if (written <= 0)
            return; // nobody reads standard error; there is nowhere else to say it
        left.remove_prefix(static_cast<std::size_t>(written));
    }
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
