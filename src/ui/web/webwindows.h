#pragma once
// What the browser-source server takes from the tower and the ticker. The server is a module
// the program loads only when a port is set, and it reaches the windows through this alone,
// so the module needs none of the program's own code.

#include <QImage>
#include <QRect>
#include <QSize>

#include <functional>
#include <string>
#include <vector>

class QObject;

/// Pictures, sizes, boxes and offsets are in the windows' device pixels: a browser source
/// shows exactly the pixels the window shows, at any display scaling.
class TWebWindows {
  public:
    virtual ~TWebWindows() = default;

    /// The tower's picture (null until first drawn), its boxes whose black is ink, its size.
    virtual const QImage& TowerPicture() const = 0;
    virtual const std::vector<QRect>& TowerInk() const = 0;
    virtual QSize TowerSize() const = 0;

    /// The ticker's line as it shows now, with its ink boxes, and the window's size.
    virtual QImage TickerLine(std::vector<QRect>* ink) const = 0;
    virtual QSize TickerSize() const = 0;

    /// The ranking strip: whether the ticker shows one, its picture and ink boxes, how far it
    /// has moved, the offset at which it ends, and whether it moves now.
    virtual bool StripShown() const = 0;
    virtual const QImage& StripPicture() const = 0;
    virtual const std::vector<QRect>& StripInk() const = 0;
    virtual int StripOffset() const = 0;
    virtual int StripEndOffset() const = 0;
    virtual bool StripScrolling() const = 0;

    /// Calls `tower` when the tower's picture changes, `ticker` when the ticker's does and
    /// `scrolls` when a strip starts to move, on the windows' thread, while `receiver` lives.
    virtual void Watch(QObject* receiver, std::function<void()> tower, std::function<void()> ticker,
                       std::function<void()> scrolls) = 0;
};

/// The module's entry point, by name, and its signature: starts a server for `windows` (taken
/// over) on `address`:`port`, as a child of `parent`; null, after a log line, when it cannot
/// listen.
inline constexpr const char* WebModuleEntry = "KestruneStartWebServer";
using TWebModuleEntry = QObject* (*)(TWebWindows* windows, const std::string& address, int port,
                                     const std::function<void(const std::string&)>& log,
                                     QObject* parent);
