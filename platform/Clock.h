#pragma once

#include <cstdint>

namespace platform {

// A monotonic count of nanoseconds, for elapsed times that clock changes
// cannot disturb.
uint64_t monotonicNanoseconds();

// Whole milliseconds from `start` to `end`, truncated to 32 bits.
inline uint32_t elapsedMilliseconds(uint64_t start, uint64_t end)
{
    return uint32_t((end - start) / 1000000u);
}

} // namespace platform
