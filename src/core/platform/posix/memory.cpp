#include "platform/memory.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void KeepLargeBlocksOutOfTheHeap() {
#if defined(__GLIBC__)
    // A fixed threshold also turns glibc's adjusting of it off.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}
