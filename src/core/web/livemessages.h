#pragma once
// The live channel's messages: a JSON text that describes what follows, then, for a picture,
// a patch or a strip, the PNG image as a binary message. `drawnAt` is the wall clock in
// milliseconds when the window drew it, so a page on the same machine can tell how late it shows
// it.

#include "core/web/changedboxes.h"

#include <cstdint>
#include <string>
#include <vector>

/// A whole picture of `width` x `height` (the tower, or the ticker's line) follows.
std::string PictureMessage(int width, int height, int64_t drawnAt);

/// Parts of the picture last sent follow, as one image with the boxes stacked top to bottom:
/// box i goes to `boxes[i]` of a picture of `width` x `height`.
std::string PatchMessage(int width, int height, const std::vector<TPixelBox>& boxes,
                         int64_t drawnAt);

/// A ranking strip follows, shown through a window of `width` x `height` from `offset`; it
/// ends at `end`. When `scrolling`, it moves on at `speed` pixels a second from now (100 at
/// 100 % display scaling: the strip has the window's device pixels).
std::string StripMessage(int width, int height, int offset, int end, bool scrolling, int speed,
                         int64_t drawnAt);

/// The shown strip starts to scroll from `offset` now.
std::string ScrollMessage(int offset, int64_t drawnAt);
