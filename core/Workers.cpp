#include "Workers.h"

#include "ThreadCount.h"

#include <system_error>
#include <thread>

namespace {
ThreadCount g_workers;
}

void runWorker(std::function<void()> work)
{
    g_workers.add(+1);
    try {
        std::thread([work = std::move(work)] {
            work();
            g_workers.add(-1);
        }).detach();
    } catch (const std::system_error&) {
        g_workers.add(-1); // no thread: the notification is lost, as a failed start is
    }
}

bool waitForWorkers(int milliseconds)
{
    return g_workers.waitForZero(milliseconds);
}
