#include "Workers.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace {
std::mutex g_lock;
std::condition_variable g_changed;
int g_running = 0;

void change(int delta)
{
    std::lock_guard guard(g_lock);
    g_running += delta;
    g_changed.notify_all();
}
} // namespace

void runWorker(std::function<void()> work)
{
    change(+1);
    try {
        std::thread([work = std::move(work)] {
            work();
            change(-1);
        }).detach();
    } catch (const std::system_error&) {
        change(-1); // no thread: the notification is lost, as a failed start is
    }
}

bool waitForWorkers(int milliseconds)
{
    std::unique_lock lock(g_lock);
    return g_changed.wait_for(lock, std::chrono::milliseconds(milliseconds), [] { return g_running == 0; });
}
