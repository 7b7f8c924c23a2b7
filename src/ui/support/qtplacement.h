#pragma once
// Placing the windows from their configured bounds, and reading the bounds back on exit, so
// that a start and a close with no change by the operator leave the file as it was.

#include "core/app/config.h"

#include <vector>

#include <functional>

class QObject;
class QWidget;

/// Places a top-level window from four configured bounds, each skipped when Unset. The window
/// is moved only when its left or top is configured: otherwise the window manager chooses
/// where it goes. Width and height are outer sizes (frame included); a frame the window
/// manager adds later is taken off the client size as soon as it is known. Bounds beyond what
/// the screens can show are fitted to them first (FitToScreens).
void PlaceWindow(QWidget* window, int32_t left, int32_t top, int32_t width, int32_t height);

/// Moves a broadcast window with no saved place beside `console` and clear of the windows in
/// `placed` (PlaceBeside), on the console's screen.
void PlaceBesideConsole(QWidget* window, const QWidget* console,
                        const std::vector<const QWidget*>& placed);

/// The outer bounds of a window as the configuration file stores them.
TWindowBounds BoundsOf(const QWidget* window);

/// Fits a shown window back onto the screens by the rule of PlaceWindow when they no longer
/// show all of it; true when it was moved or resized.
bool RefitWindow(QWidget* window);

/// Calls `changed` a moment after screens come or go or change their geometry or scaling (once
/// for a burst of such changes, as a display change brings), while `receiver` lives.
void WatchScreens(QObject* receiver, std::function<void()> changed);
