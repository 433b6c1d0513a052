#pragma once

#include <QString>

#include <cstdint>

namespace platform {

// One-line texts for the error numbers that this layer produces (socket,
// resolver, ICMP and system numbers); an empty text for any other number.
QString systemMessageText(uint32_t code);

// The internet library's text for a number of its range, or an empty text.
QString internetMessageText(uint32_t code);

} // namespace platform
