#pragma once

#include <functional>

// Short-lived notification workers (sounds, message boxes, program runs, log
// lines), each on a thread of its own. Counted, so that the program can let
// them finish before it ends.
void runWorker(std::function<void()> work);

// Waits at most `milliseconds` for the running workers; true when none is left.
bool waitForWorkers(int milliseconds);
