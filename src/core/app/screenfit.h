#pragma once
// Keeping configured window bounds within what the screens can show: a typo of 32000 must not
// cost gigabytes of window pictures, nor put a broadcast window where nobody can find it.

#include "core/app/config.h"

#include <vector>

/// `wanted` with its width and height no larger than the virtual desktop (the box around
/// every screen) and, unless the screens show all of it, moved onto the screen that shows the
/// most of it, or the nearest when none shows any (wholly, if it fits; from that screen's top
/// left corner if not). A broadcast window partly off the screens is partly missing from the
/// picture, and one the size of a sliver cannot be found. Everything stays as it is when there
/// are no screens. Smaller sizes, zero included, are kept.
TWindowBounds FitToScreens(TWindowBounds wanted, const std::vector<TWindowBounds>& screens);

/// Where a broadcast window of `width` x `height` with no saved bounds goes: beside the
/// `console` (right, below, left, above it, then beside a window already placed in `taken`),
/// on the screen that shows most of the console, over neither the console nor `taken`. A
/// window manager that places it alone may put it over the console, and the broadcast windows
/// stay above it, hiding its buttons on a first start. Where nothing fits, the place that
/// covers the least of the console.
TWindowBounds PlaceBeside(const TWindowBounds& console, int32_t width, int32_t height,
                          const std::vector<TWindowBounds>& screens,
                          const std::vector<TWindowBounds>& taken);
