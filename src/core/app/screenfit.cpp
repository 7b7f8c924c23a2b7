#include "core/app/screenfit.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

namespace {

int64_t Right(const TWindowBounds& b) {
    return int64_t{b.Left} + b.Width;
}

int64_t Bottom(const TWindowBounds& b) {
    return int64_t{b.Top} + b.Height;
}

/// The area `a` and `b` have in common.
double SharedArea(const TWindowBounds& a, const TWindowBounds& b) {
    const int64_t width = std::min(Right(a), Right(b)) - std::max<int64_t>(a.Left, b.Left);
    const int64_t height = std::min(Bottom(a), Bottom(b)) - std::max<int64_t>(a.Top, b.Top);
    return width > 0 && height > 0 ? static_cast<double>(width) * static_cast<double>(height) : 0;
}

bool SameBounds(const TWindowBounds& a, const TWindowBounds& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Width == b.Width && a.Height == b.Height;
}

/// True when the screens show every pixel of `window` (screens side by side; a mirrored
/// screen counts once).
bool WhollyShown(const TWindowBounds& window, const std::vector<TWindowBounds>& screens) {
    double shown = 0;
    for (std::size_t i = 0; i < screens.size(); ++i) {
        const bool mirror = std::any_of(screens.begin(), screens.begin() + static_cast<long>(i),
                                        [&](const auto& s) { return SameBounds(s, screens[i]); });
        shown += mirror ? 0 : SharedArea(window, screens[i]);
    }
    return shown >= static_cast<double>(window.Width) * static_cast<double>(window.Height);
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
    if (WhollyShown(wanted, screens)) {
        return wanted;
    }
    const auto most =
        std::max_element(screens.begin(), screens.end(), [&](const auto& a, const auto& b) {
            return SharedArea(wanted, a) < SharedArea(wanted, b);
        });
    const TWindowBounds& nearest =
        SharedArea(wanted, *most) > 0
            ? *most
            : *std::min_element(screens.begin(), screens.end(), [&](const auto& a, const auto& b) {
                  return CentreDistance(wanted, a) < CentreDistance(wanted, b);
              });
    wanted.Left = Inside(wanted.Left, wanted.Width, nearest.Left, nearest.Width);
    wanted.Top = Inside(wanted.Top, wanted.Height, nearest.Top, nearest.Height);
    return wanted;
}

TWindowBounds PlaceBeside(const TWindowBounds& console, int32_t width, int32_t height,
                          const std::vector<TWindowBounds>& screens,
                          const std::vector<TWindowBounds>& taken) {
    constexpr int32_t Gap = 8;
    TWindowBounds screen = console;
    double most = -1;
    for (const TWindowBounds& candidate : screens) {
        if (SharedArea(candidate, console) > most) {
            most = SharedArea(candidate, console);
            screen = candidate;
        }
    }
    std::vector<TWindowBounds> around{console};
    around.insert(around.end(), taken.begin(), taken.end());
    std::vector<TWindowBounds> places;
    for (const TWindowBounds& next : around) {
        const auto right = static_cast<int32_t>(Right(next));
        const auto bottom = static_cast<int32_t>(Bottom(next));
        places.push_back({right + Gap, next.Top, width, height});
        places.push_back({next.Left, bottom + Gap, width, height});
        places.push_back({next.Left - Gap - width, next.Top, width, height});
        places.push_back({next.Left, next.Top - Gap - height, width, height});
    }
    const auto covered = [&around](const TWindowBounds& place) {
        double area = 0;
        for (const TWindowBounds& window : around) {
            area += SharedArea(place, window);
        }
        return area;
    };
    for (const TWindowBounds& place : places) {
        if (SharedArea(place, screen) == static_cast<double>(width) * height &&
            covered(place) == 0) {
            return place;
        }
    }
    // Nothing free: kept on the screen, over as little of the console as can be, then of the
    // other broadcast window.
    TWindowBounds best = places.front();
    std::pair<double, double> least{std::numeric_limits<double>::max(), 0};
    for (TWindowBounds place : places) {
        place.Left = std::clamp<int32_t>(place.Left, screen.Left,
                                         std::max(screen.Left, screen.Left + screen.Width - width));
        place.Top = std::clamp<int32_t>(place.Top, screen.Top,
                                        std::max(screen.Top, screen.Top + screen.Height - height));
        const std::pair<double, double> cover{SharedArea(place, console), covered(place)};
        if (cover < least) {
            least = cover;
            best = place;
        }
    }
    return best;
}
