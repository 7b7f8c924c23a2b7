#include "app/screenfit.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

int64_t Right(const TWindowBounds& b) {
    return int64_t{b.Left} + b.Width;
}

int64_t Bottom(const TWindowBounds& b) {
    return int64_t{b.Top} + b.Height;
}

bool Overlaps(const TWindowBounds& a, const TWindowBounds& b) {
    return a.Left < Right(b) && b.Left < Right(a) && a.Top < Bottom(b) && b.Top < Bottom(a);
}

/// Squared distance between the centres (doubled coordinates); in floating point, since a
/// bound near the 32-bit limits would overflow the square of an integer.
double CentreDistance(const TWindowBounds& a, const TWindowBounds& b) {
    const double dx = (2.0 * a.Left + a.Width) - (2.0 * b.Left + b.Width);
    const double dy = (2.0 * a.Top + a.Height) - (2.0 * b.Top + b.Height);
    return dx * dx + dy * dy;
}

/// The start that puts `length` inside [start, start + span), or at `start` when it is longer.
int32_t Inside(int32_t at, int32_t length, int32_t start, int32_t span) {
    const int64_t last = int64_t{start} + span - std::max(length, 0);
    return static_cast<int32_t>(std::max<int64_t>(start, std::min<int64_t>(at, last)));
}

} // namespace

TWindowBounds FitToScreens(TWindowBounds wanted, const std::vector<TWindowBounds>& screens) {
    if (screens.empty()) {
        return wanted;
    }
    int64_t left = std::numeric_limits<int64_t>::max();
    int64_t top = left;
    int64_t right = std::numeric_limits<int64_t>::min();
    int64_t bottom = right;
    for (const TWindowBounds& screen : screens) {
        left = std::min<int64_t>(left, screen.Left);
        top = std::min<int64_t>(top, screen.Top);
        right = std::max(right, Right(screen));
        bottom = std::max(bottom, Bottom(screen));
    }
    wanted.Width = static_cast<int32_t>(std::min<int64_t>(wanted.Width, right - left));
    wanted.Height = static_cast<int32_t>(std::min<int64_t>(wanted.Height, bottom - top));
    if (std::any_of(screens.begin(), screens.end(),
                    [&](const TWindowBounds& screen) { return Overlaps(wanted, screen); })) {
        return wanted;
    }
    const TWindowBounds& nearest =
        *std::min_element(screens.begin(), screens.end(), [&](const auto& a, const auto& b) {
            return CentreDistance(wanted, a) < CentreDistance(wanted, b);
        });
    wanted.Left = Inside(wanted.Left, wanted.Width, nearest.Left, nearest.Width);
    wanted.Top = Inside(wanted.Top, wanted.Height, nearest.Top, nearest.Height);
    return wanted;
}
