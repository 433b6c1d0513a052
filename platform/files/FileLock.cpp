#include "FileLock.h"

#include <algorithm>
#include <cerrno>
#include <sys/file.h>
#include <thread>

namespace platform {

bool lockExclusive(int fd, std::chrono::milliseconds bound)
{
    // flock has no time limit of its own: ask without blocking, and wait a
    // little longer between each asking, up to the bound.
    const auto deadline = std::chrono::steady_clock::now() + bound;
    std::chrono::milliseconds pause{1};
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, std::chrono::milliseconds{50});
    }
}

} // namespace platform
