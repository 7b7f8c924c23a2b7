#pragma once
// Handing freed memory back to the system.

/// Returns the free pages of the process's heap to the system. A large block that is freed
/// (a ranking strip of a megabyte or more) would otherwise stay in the heap, and the next one,
/// placed elsewhere among small blocks, makes the process grow step by step over a long race.
void ReturnFreeMemory();
