#include "output/quiet_standard_error.h"

#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace {
// Two threads muting at once would restore each other's descriptors in the wrong order.
std::mutex muteLock;
} // namespace

QuietStandardError::QuietStandardError() {
    muteLock.lock();
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ >= 0 && devNull >= 0)
        dup2(devNull, STDERR_FILENO);
    if (devNull >= 0)
        close(devNull);
}

QuietStandardError::~QuietStandardError() {
    std::fflush(stderr);
    if (saved_ >= 0) {
        dup2(saved_, STDERR_FILENO);
        close(saved_);
    }
    muteLock.unlock();
}
