#pragma once
// Where two pictures of the same size differ, as a few boxes: a page that has the first is
// sent only those parts of the second. In a race most readings change a few numbers, so the
// boxes are a small share of the picture.

#include <cstdint>
#include <vector>

struct TPixelBox {
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
};

/// Rows are cut into bands of this many; each band with a change gives one box.
constexpr int ChangedBandRows = 16;

/// The boxes, top to bottom, that cover every pixel where `before` and `after` differ: one a
/// band, from its first to its last differing column and row. Both pictures have `height`
/// rows of `width` 32-bit pixels, `stride` pixels apart. None when they are equal.
std::vector<TPixelBox> ChangedBoxes(const uint32_t* before, const uint32_t* after, int width,
                                    int height, int stride);
