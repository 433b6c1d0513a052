#include "FileLock.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/file.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {
// A blocking flock on a descriptor of its own, that a waiter may stop
// waiting for.
struct LockWait
{
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    int error = 0;
};

// Threads still in a blocking flock, each with a descriptor. One whose
// waiter gave up waits on until the holder lets go: a holder that never does
// would gather them without end, so beyond a few the lock is asked for
// again and again instead.
constexpr int kMostWaitingThreads = 8;
std::atomic<int> g_waitingThreads{0};

bool lockByAsking(int fd, std::chrono::milliseconds bound)
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (std::chrono::steady_clock::now() >= deadline) {
            errno = EWOULDBLOCK;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
} // namespace

bool lockExclusive(int fd, std::chrono::milliseconds bound)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return true;
    if (errno != EWOULDBLOCK && errno != EINTR)
        return false;
    // flock has no time limit of its own, and asking again and again loses
    // to writers that take the lock again at once: a thread waits in a
    // blocking flock, which the kernel wakes as soon as the lock is free.
    // It locks through a second descriptor of the same open file, so the
    // lock is the caller's; when the caller has given up by then, closing
    // both descriptors lets it go.
    if (g_waitingThreads.load() >= kMostWaitingThreads)
        return lockByAsking(fd, bound);
    const int waiting = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (waiting < 0)
        return false;
    const auto wait = std::make_shared<LockWait>();
    try {
        ++g_waitingThreads;
        std::thread([wait, waiting] {
            int result;
            do {
                result = ::flock(waiting, LOCK_EX);
            } while (result != 0 && errno == EINTR);
            const int error = result == 0 ? 0 : errno;
            ::close(waiting);
            --g_waitingThreads;
            const std::lock_guard guard(wait->mutex);
            wait->done = true;
            wait->error = error;
            wait->changed.notify_all();
        }).detach();
    } catch (const std::system_error&) { // no thread to be had
        --g_waitingThreads;
        ::close(waiting);
        errno = EAGAIN;
        return false;
    }
    std::unique_lock guard(wait->mutex);
    if (!wait->changed.wait_for(guard, bound, [&] { return wait->done; })) {
        errno = EWOULDBLOCK;
        return false;
    }
    errno = wait->error;
    return wait->error == 0;
}

} // namespace platform
