#include "Memory.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace platform {

void ReturnLargeBlocksWhenFreed() {
#ifdef __GLIBC__
    // Left to itself glibc raises both bounds after the first large block is
    // freed, and then keeps such memory for good.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
#endif
}

void ReturnFreedMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

} // namespace platform
