#include "core/platform/freememory.h"

// A header of the C library first: it is what defines __GLIBC__. Tested before any was
// included, the test was always false and nothing was ever returned.
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void ReturnFreeMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}
