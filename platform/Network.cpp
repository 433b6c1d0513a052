#include "Network.h"

#include "UrlFetch.h"

namespace platform {

// Sockets need no set-up on Linux; the URL library does, once, before any
// check thread runs.
bool initNetwork()
{
    return initUrlLibrary();
}

} // namespace platform
