#include "FreeHeap.h"

#include <malloc.h>

namespace platform {

void releaseFreeHeap()
{
    ::malloc_trim(0);
}

} // namespace platform
