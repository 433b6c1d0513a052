#pragma once

#include <chrono>

namespace platform {

// How long a write waits for the lock of its file before it gives up and
// reports the write as failed: whoever holds it (another instance, a stuck
// network file system) must not stop this program for longer.
inline constexpr std::chrono::milliseconds kWriteLockWait{3000};

// Takes an exclusive flock on the descriptor, waiting at most `bound`; false
// when the lock could not be had within it (or at all). Waiters are served as
// the lock comes free, not by who asks most often. After a failure the caller
// closes the descriptor: a lock that comes too late goes with it.
bool lockExclusive(int fd, std::chrono::milliseconds bound = kWriteLockWait);

} // namespace platform
