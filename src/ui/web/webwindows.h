#pragma once
// What the browser-source server takes from the tower and the ticker. The server is a module
// the program loads only when a port is set, and it reaches the windows through this alone,
// so the module needs none of the program's own code.

#include "core/app/consoleapi.h"
#include "core/web/websettings.h"

#include <QImage>
#include <QSize>

#include <functional>
#include <string>

class QObject;

/// The ticker's ranking strip at one moment.
struct TStripSnapshot {
    /// Whether the ticker shows a strip; the rest is the last strip's, or empty, when not.
    bool Shown = false;
    QImage Picture;
    /// How far it has moved, the offset at which it ends, and whether it moves now.
    int Offset = 0;
    int EndOffset = 0;
    bool Scrolling = false;
};

/// Pictures, sizes, boxes and offsets are in the windows' device pixels: a browser source
/// shows exactly the pixels the window shows, at any display scaling. A clear picture is the
/// same drawing on no background, for a transparent page.
class TWebWindows {
  public:
    virtual ~TWebWindows() = default;

    /// The tower's picture (null until first drawn), its clear form, its size.
    virtual const QImage& TowerPicture() const = 0;
    virtual QImage ClearTower() const = 0;
    virtual QSize TowerSize() const = 0;

    /// The ticker's line as it shows now, or its clear form, and the window's size.
    virtual QImage TickerLine(bool clear) const = 0;
    virtual QSize TickerSize() const = 0;

    /// The ranking strip as it stands now, read at one moment so its parts agree, and the
    /// clear form of its picture.
    virtual TStripSnapshot Strip() const = 0;
    virtual QImage ClearStrip() const = 0;

    /// Calls `tower` when the tower's picture changes, `ticker` when the ticker's does and
    /// `scrolls` when a strip starts to move, on the windows' thread, while `receiver` lives.
    virtual void Watch(QObject* receiver, std::function<void()> tower, std::function<void()> ticker,
                       std::function<void()> scrolls) = 0;

    /// The console's controls and data for the API; none when only pictures are served.
    virtual TWebControl* Control() const { return nullptr; }
};

/// The module's entry point, by name, and its signature: starts a server for `windows` (taken
/// over) as `settings` say, as a child of `parent`; null, after a log line, when it cannot
/// listen.
inline constexpr const char* WebModuleEntry = "KestruneStartWebServer";
using TWebModuleEntry = QObject* (*)(TWebWindows* windows, const TWebSettings& settings,
                                     const std::function<void(const std::string&)>& log,
                                     QObject* parent);
