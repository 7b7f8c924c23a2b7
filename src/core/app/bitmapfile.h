#pragma once
// What a bitmap file's headers promise, checked against the file's size: the picture reader
// fills the rows of a cut file with whatever was in memory and calls it a success.

#include <cstdint>
#include <string_view>

/// Bytes of the file start that BitmapPixelsComplete needs (fewer when the file is shorter).
constexpr std::size_t BitmapHeadBytes = 54;

/// False when a ".bmp" file of `fileSize` bytes, starting with `head`, ends before the pixels
/// its headers describe (every row with its padding), so a cut logo is refused instead of shown
/// with garbage rows. Anything that is no bitmap of a known header kind is left to the picture
/// reader (true).
bool BitmapPixelsComplete(std::string_view head, uint64_t fileSize);
