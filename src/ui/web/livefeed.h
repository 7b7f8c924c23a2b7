#pragma once
// What the pages' live channels are sent: the tower's picture, the ticker's line or its
// ranking strip, each as a message and a PNG, in the order they go on each channel. It sees
// the windows only through TWebWindows and sends only through TChannelOutput, so it runs
// without sockets; the server opens and closes its channels as connections come and go.

#include "core/web/webroutes.h"
#include "ui/web/channeloutput.h"
#include "ui/web/pushedpicture.h"
#include "ui/web/webwindows.h"

#include <QObject>

#include <memory>
#include <string>
#include <vector>

/// A channel this far behind gets no new window picture until it catches up.
constexpr qint64 MaxBacklog = 1 << 20;

/// One page's channel as the feed keeps it, and one message waiting in it (both defined in
/// livefeed.cpp: the server holds a channel only to name it).
struct TFeedChannel;
struct TOutgoingMessage;

class TLiveFeed : public QObject {
    Q_OBJECT
  public:
    /// Watches `windows` (taken over) from now on.
    explicit TLiveFeed(std::unique_ptr<TWebWindows> windows, QObject* parent = nullptr);
    ~TLiveFeed() override;

    /// The windows it watches (and, through them, the console's controls).
    const TWebWindows& Windows() const { return *WindowsWatched; }
    TWebWindows& Windows() { return *WindowsWatched; }

    /// A page's channel opens on `output`, which must outlive it: it is sent what the page
    /// shows now. The channel is the feed's until Close.
    TFeedChannel* Open(const TSocketRequest& request, TChannelOutput& output);
    void Close(const TFeedChannel* channel);
    /// Sends what is ready at the head of the channel's queue; for when its output has
    /// taken bytes.
    void Pump(TFeedChannel& channel);

    /// A window's picture changed: it is taken on the next turn of the event loop, so a burst
    /// of drawing goes as one picture; its time is that of the first drawing.
    void TowerChanged();
    void TickerChanged();

    /// The windows' sizes, as the pages are served at scale 1.
    TWebSizes Sizes() const;

  private:
    void FlushTower();
    void FlushTicker();
    void TickerScrollStarted();

    /// A picture from a window as it is now, with a new number.
    TPictureRef Numbered(QImage image, qint64 drawnAt, QImage clear);
    TPictureRef TakeTower(qint64 drawnAt);
    TPictureRef TakeLine(qint64 drawnAt);
    TPictureRef TakeStrip(qint64 drawnAt);
    /// The strip message for `strip`, shown through the ticker as it is now.
    std::string StripMessageOf(const TStripSnapshot& strip, qint64 drawnAt) const;
    /// True when a page of `page` is open; a transparent one, for WatchedClear.
    bool Watched(TWebPage page) const;
    bool WatchedClear(TWebPage page) const;

    /// Sends the page's current picture (or strip) to one channel.
    void SendCurrent(TFeedChannel& channel);
    /// `next` takes the place of `held` (TowerPicture or LinePicture), for every page of it.
    void Retake(TPictureRef& held, TPictureRef next);
    /// The form of `picture` the channel's page shows: opaque, or clear for a transparent one.
    static const QImage& FormOf(const TFeedChannel& channel, const TPushedPicture& picture);
    void SendPicture(TFeedChannel& channel, const TPictureRef& picture);
    void SendStrip(TFeedChannel& channel);
    /// Sends `text` to every ticker channel, after what each has waiting.
    void SendToTickers(const std::string& text);
    void Enqueue(TFeedChannel& channel, TOutgoingMessage message);
    void PumpAll();
    /// A form of `picture`, encoded once for all channels; each channel pumps when it is done.
    QFuture<TEncodedPicture> Encoding(TPushedPicture& picture, bool transparent, bool patch);

    /// The tower and the ticker, as the pages see them.
    std::unique_ptr<TWebWindows> WindowsWatched;
    std::vector<std::unique_ptr<TFeedChannel>> Channels;

    /// What the pages show now; empty while no page watches.
    TPictureRef TowerPicture;
    TPictureRef LinePicture;
    TPictureRef StripPicture;
    quint64 PicturesTaken = 0;
    bool StripShown = false;
    /// Which strip the pages have: a new one may replace the last within one turn.
    qint64 StripKey = 0;
    bool TowerFlushQueued = false;
    bool TickerFlushQueued = false;
    qint64 TowerChangedAt = 0;
    qint64 TickerChangedAt = 0;
};
