// How evenly the folder's write lock goes round: PROCESSES processes each
// take it ROUNDS times on a folder of their own descriptor and hold it HOLD
// microseconds, as writers of one settings folder do. Prints, per process,
// the longest wait and the takes that failed within the lock's bound.
//   korvalen_folder_lock_bench [PROCESSES [ROUNDS [HOLD]]]
#include "platform/files/FileLock.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

int main(int argc, char** argv)
{
    const int processes = argc > 1 ? std::atoi(argv[1]) : 3;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 300;
    const int hold = argc > 3 ? std::atoi(argv[3]) : 2000;
    char folder[] = "/tmp/korvalen-lock-bench-XXXXXX";
    if (!::mkdtemp(folder))
        return 1;
    for (int p = 0; p < processes; ++p) {
        if (::fork() != 0)
            continue;
        long longest = 0;
        int failed = 0;
        for (int r = 0; r < rounds; ++r) {
            const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            const auto start = std::chrono::steady_clock::now();
            const bool locked = platform::lockExclusive(fd);
            const auto waited = std::chrono::steady_clock::now() - start;
            longest = std::max<long>(
                longest, long(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count()));
            failed += locked ? 0 : 1;
            if (locked)
                std::this_thread::sleep_for(std::chrono::microseconds(hold));
            ::close(fd);
        }
        std::printf("process %d: longest wait %ld ms, %d of %d takes failed\n", p, longest, failed, rounds);
        std::fflush(stdout);
        std::_Exit(0);
    }
    while (::wait(nullptr) > 0) {
    }
    ::rmdir(folder);
    return 0;
}
