// Feeds arbitrary bytes to the clip-reading path as a clip file: whatever the bytes, opening and
// reading must end without a crash, a hang or memory that grows with what the header claims.

#include "output/sound/clip_file.h"

#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    // An in-memory file keeps the fuzzer off the disk; it is reached through /proc like any path.
    const int fd = memfd_create("clip", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    if (size > 0 && write(fd, data, size) != static_cast<ssize_t>(size)) {
        close(fd);
        return 0;
    }
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);

    if (std::optional<ClipFile> clip = ClipFile::open(QString::fromLatin1(path))) {
        std::array<std::int16_t, 2048> buffer{};
        long total = 0;
        while (const long frames = clip->read(buffer.data(), 1024))
            total += frames;
        (void)total;
    }
    close(fd);
    return 0;
}
