#pragma once
// Placing the windows from their configured bounds, and reading the bounds back on exit, so
// that a start and a close with no change by the operator leave the file as it was.

#include "app/config.h"

class QWidget;

/// Places a top-level window from four configured bounds, each skipped when Unset. The window
/// is moved only when its left or top is configured: otherwise the window manager chooses
/// where it goes. Width and height are outer sizes (frame included); a frame the window
/// manager adds later is taken off the client size as soon as it is known. Bounds beyond what
/// the screens can show are fitted to them first (FitToScreens).
void PlaceWindow(QWidget* window, int32_t left, int32_t top, int32_t width, int32_t height);

/// The outer bounds of a window as the configuration file stores them.
TWindowBounds BoundsOf(const QWidget* window);
