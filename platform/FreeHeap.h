#pragma once

namespace platform {

// Gives the heap's free pages back to the system. Freed memory otherwise
// stays with the allocator, spread between pieces still in use, and counts
// as resident for the rest of the run: called after something big or
// short-lived (a large parsed file, a dialog's run) was let go.
void releaseFreeHeap();

} // namespace platform
