#include "core/web/changedboxes.h"

#include <algorithm>
#include <cstring>

namespace {

struct TRowChange {
    int First = 0;
    int Last = -1; ///< below First: the rows are equal
};

TRowChange RowChange(const uint32_t* before, const uint32_t* after, int width) {
    TRowChange change;
    if (std::memcmp(before, after, static_cast<std::size_t>(width) * sizeof(uint32_t)) == 0) {
        return change;
    }
    int first = 0;
    while (before[first] == after[first]) {
        ++first;
    }
    int last = width - 1;
    while (before[last] == after[last]) {
        --last;
    }
    return {first, last};
}

} // namespace

std::vector<TPixelBox> ChangedBoxes(const uint32_t* before, const uint32_t* after, int width,
                                    int height, int stride) {
    std::vector<TPixelBox> boxes;
    if (width <= 0) {
        return boxes;
    }
    for (int top = 0; top < height; top += ChangedBandRows) {
        const int bottom = std::min(height, top + ChangedBandRows);
        int left = width;
        int right = -1;
        int firstRow = -1;
        int lastRow = -1;
        for (int y = top; y < bottom; ++y) {
            const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
            const TRowChange change = RowChange(before + at, after + at, width);
            if (change.Last < change.First) {
                continue;
            }
            left = std::min(left, change.First);
            right = std::max(right, change.Last);
            firstRow = firstRow < 0 ? y : firstRow;
            lastRow = y;
        }
        if (right >= 0) {
            boxes.push_back({left, firstRow, right - left + 1, lastRow - firstRow + 1});
        }
    }
    return boxes;
}
