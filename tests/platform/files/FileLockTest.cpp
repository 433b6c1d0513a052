#include "TestSupport.h"

#include "platform/files/FileLock.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace {

// A waiter has the lock once it is let go within the bound; one that gave up
// holds nothing afterwards, even when the lock comes free later.
TEST(FileLock, AWaiterGetsTheLockOnceFreeAndKeepsNothingWhenItGaveUp)
{
    QTemporaryDir dir;
    const auto open = [&] { return ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_CLOEXEC); };
    const struct
    {
        int releasedAfterMs;
        int boundMs;
        bool locked;
    } cases[] = {{200, 5000, true}, {1000, 100, false}};
    for (const auto& c : cases) {
        const int holder = test::holdFolderLock(dir.path());
        ASSERT_GE(holder, 0);
        std::thread release([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(c.releasedAfterMs));
            ::close(holder);
        });
        const int fd = open();
        EXPECT_EQ(platform::lockExclusive(fd, std::chrono::milliseconds(c.boundMs)), c.locked);
        ::close(fd);
        release.join();
        const int next = open();
        EXPECT_TRUE(test::waitFor([&] { return ::flock(next, LOCK_EX | LOCK_NB) == 0; }, 2000));
        ::close(next);
    }
}

} // namespace
