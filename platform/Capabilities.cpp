#include "Capabilities.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

namespace {
std::atomic<bool> g_dropped{false};
}

bool dropCapabilities()
{
    if (::geteuid() == 0)
        return false;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct held[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capget, &header, held) != 0)
        return false;
    bool any = false;
    for (const auto& set : held)
        any = any || set.permitted || set.effective || set.inheritable;
    // Ambient capabilities are always permitted and inheritable ones too, and
    // the kernel drops them with those.
    if (!any)
        return false;
    __user_cap_data_struct none[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capset, &header, none) != 0) {
        std::perror("korvalen: the capabilities given to this program cannot be dropped");
        std::exit(1);
    }
    g_dropped = true;
    return true;
}

bool capabilitiesDropped()
{
    return g_dropped;
}

} // namespace platform
