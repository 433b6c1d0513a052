#include "Network.h"

#include <csignal>

namespace platform {

// Sockets need no set-up on Linux. The URL library is loaded and set up by
// the first URL check (initUrlLibrary), not at every start.
bool initNetwork()
{
    // A peer that closes early must not kill the process with SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

} // namespace platform
