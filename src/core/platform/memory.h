#pragma once
// How the program's memory is kept from growing in a long race.

/// Large blocks (a ranking strip's picture, a window's image) go straight to the system and
/// back when freed. glibc otherwise raises its threshold for that to the size of each large
/// block freed, and then carves later ones out of the heap, which grows in steps that are
/// never given back: megabytes over an evening of strips. Call once, first thing in main.
void KeepLargeBlocksOutOfTheHeap();
