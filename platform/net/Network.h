#pragma once

namespace platform {

// Sets up the network layer for the process; false when it cannot be used.
bool initNetwork();

} // namespace platform
