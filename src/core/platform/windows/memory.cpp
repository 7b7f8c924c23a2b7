#include "platform/memory.h"

void KeepLargeBlocksOutOfTheHeap() {
    // Nothing to do: the Windows heap has no threshold that moves with the blocks freed.
}
