#pragma once

#include <condition_variable>
#include <mutex>

// A count of threads under way that can be waited on to drop to zero, so that
// the program can let its threads finish before it ends.
class ThreadCount
{
public:
    void add(int delta);
    int value();
    // Waits at most `milliseconds`; true when the count is zero.
    bool waitForZero(int milliseconds);

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_count = 0;
};
