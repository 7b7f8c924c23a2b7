#pragma once
// The few places where the window-free values meet Qt: texts, colours, fonts, posted messages.

#include "core/platform/colornames.h"
#include "core/platform/messageids.h"

#include <QColor>
#include <QEvent>
#include <QFont>
#include <QString>
#include <QStringList>

#include <string>
#include <string_view>

class QObject;

/// A name or live-file text for display: UTF-8 when valid, else the legacy code page's
/// (Windows-1252 on Linux, the system's ANSI code page on Windows).
QString ToQString(std::string_view bytes);
/// The bytes of an operator's text (UTF-8).
std::string ToBytes(const QString& text);

/// A colour value (red in the lowest byte; system colours by the desktop scheme).
QColor ToQColor(TColor color);

/// Font families for the names the windows were designed with, with stand-ins of the same
/// kind where those are missing: "Arial Black", "ＭＳ ゴシック", "ＭＳ Ｐゴシック".
QStringList HeavySansFamilies();
QStringList FixedGothicFamilies();
QStringList ProportionalGothicFamilies();
/// The pixel height of a font of `points` at 96 dots per inch, rounded to the nearest pixel as
/// the desktop does (14 -> 19, 12 -> 16).
int PointsToPixels(int points);
/// A font from a family list with a pixel height.
QFont FontWithPixelHeight(const QStringList& families, int pixels);

/// The posted window messages as Qt event types.
constexpr QEvent::Type EventWatcherEnded = static_cast<QEvent::Type>(WmWatcherEnded);
constexpr QEvent::Type EventRedraw = static_cast<QEvent::Type>(WmRedraw);
constexpr QEvent::Type EventWatcherResumed = static_cast<QEvent::Type>(WmWatcherResumed);
constexpr QEvent::Type EventScrollTick = static_cast<QEvent::Type>(WmScrollTick);

/// Posts one of the messages above to `target`; safe from any thread.
void PostMessage(QObject* target, QEvent::Type type);
