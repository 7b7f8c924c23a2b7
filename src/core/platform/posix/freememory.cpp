#include "core/platform/freememory.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void ReturnFreeMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}
