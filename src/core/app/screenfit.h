#pragma once
// Keeping configured window bounds within what the screens can show: a typo of 32000 must not
// cost gigabytes of window pictures, nor put a broadcast window where nobody can find it.

#include "app/config.h"

#include <vector>

/// `wanted` with its width and height no larger than the virtual desktop (the box around
/// every screen) and, when it overlaps no screen at all, moved onto the screen nearest to it
/// (wholly, if it fits). A window that is at least partly on a screen stays where it is, as
/// does everything when there are no screens. Smaller sizes, zero included, are kept.
TWindowBounds FitToScreens(TWindowBounds wanted, const std::vector<TWindowBounds>& screens);
