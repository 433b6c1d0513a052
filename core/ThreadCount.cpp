#include "ThreadCount.h"

#include <chrono>

void ThreadCount::add(int delta)
{
    std::lock_guard guard(m_lock);
    m_count += delta;
    m_changed.notify_all();
}

int ThreadCount::value()
{
    std::lock_guard guard(m_lock);
    return m_count;
}

bool ThreadCount::waitForZero(int milliseconds)
{
    std::unique_lock lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return m_count == 0; });
}
