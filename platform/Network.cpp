#include "Network.h"

namespace platform {

// Sockets need no set-up on Linux.
bool initNetwork() { return true; }

} // namespace platform
