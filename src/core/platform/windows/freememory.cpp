#include "core/platform/freememory.h"

#include <malloc.h>

void ReturnFreeMemory() {
    _heapmin();
}
