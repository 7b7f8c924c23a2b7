#include "ui/web/livefeed.h"

#include "core/platform/freememory.h"
#include "core/web/livemessages.h"

#include <QDateTime>
#include <QTimer>

#include <algorithm>
#include <deque>
#include <functional>

/// One message of the live channel: a text, made when it goes, and the picture after it.
struct TOutgoingMessage {
    std::function<std::string()> Text;
    TPictureRef Picture;
    /// A window's picture, whose text says how it is sent: a newer one takes its place
    /// while it waits.
    bool Replaceable = false;
};

struct TFeedChannel {
    TSocketRequest Request;
    TChannelOutput* Output = nullptr;
    /// The number of the last window picture it was sent; 0 after a strip or none.
    quint64 Shown = 0;
    /// Messages in the order they go; a picture waits for its encoding, and a whole picture
    /// also while the channel is behind.
    std::deque<TOutgoingMessage> Queue;
};

namespace {

/// When a picture was drawn, on the wall clock: the page measures its latency against its own
/// clock (Date.now). It is never a limit: those run on the steady clock.
qint64 WallClockMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

/// Whether the channel would get `picture` as a patch, if it went now.
bool PatchFor(const TFeedChannel& channel, const TPushedPicture& picture) {
    return channel.Shown != 0 && channel.Shown == picture.BaseNumber;
}

} // namespace

TLiveFeed::TLiveFeed(std::unique_ptr<TWebWindows> windows, QObject* parent)
    : QObject(parent), WindowsWatched(std::move(windows)) {
    WindowsWatched->Watch(
        this, [this] { TowerChanged(); }, [this] { TickerChanged(); },
        [this] { TickerScrollStarted(); });
}

TLiveFeed::~TLiveFeed() = default;

TFeedChannel* TLiveFeed::Open(const TSocketRequest& request, TChannelOutput& output) {
    auto channel = std::make_unique<TFeedChannel>();
    channel->Request = request;
    channel->Output = &output;
    TFeedChannel* raw = channel.get();
    Channels.push_back(std::move(channel));
    SendCurrent(*raw);
    return raw;
}

void TLiveFeed::Close(const TFeedChannel* channel) {
    std::erase_if(Channels, [channel](const auto& c) { return c.get() == channel; });
}

void TLiveFeed::TowerChanged() {
    if (!TowerFlushQueued) {
        TowerFlushQueued = true;
        TowerChangedAt = WallClockMs();
        QTimer::singleShot(0, this, &TLiveFeed::FlushTower);
    }
}

void TLiveFeed::TickerChanged() {
    if (!TickerFlushQueued) {
        TickerFlushQueued = true;
        TickerChangedAt = WallClockMs();
        QTimer::singleShot(0, this, &TLiveFeed::FlushTicker);
    }
}

TWebSizes TLiveFeed::Sizes() const {
    const QImage& picture = WindowsWatched->TowerPicture();
    const QSize tower = picture.isNull() ? WindowsWatched->TowerSize() : picture.size();
    const QSize ticker = WindowsWatched->TickerSize();
    return {{tower.width(), tower.height()}, {ticker.width(), ticker.height()}};
}

std::string TLiveFeed::StripMessageOf(const TStripSnapshot& strip, qint64 drawnAt) const {
    const QSize ticker = WindowsWatched->TickerSize();
    // The strip's pixels are the device's: at 150 % it moves 150 of them a second.
    const int speed = static_cast<int>(100 * strip.Picture.devicePixelRatio() + 0.5);
    return StripMessage(ticker.width(), ticker.height(), strip.Offset, strip.EndOffset,
                        strip.Scrolling, speed, drawnAt);
}

TPictureRef TLiveFeed::Numbered(QImage image, qint64 drawnAt, QImage clear) {
    auto picture = std::make_shared<TPushedPicture>();
    picture->Image = std::move(image);
    picture->DrawnAt = drawnAt;
    picture->Clear = std::move(clear);
    picture->Number = ++PicturesTaken;
    return picture;
}

// The clear forms are drawn only while a transparent page watches: they cost a second drawing.
TPictureRef TLiveFeed::TakeTower(qint64 drawnAt) {
    return Numbered(WindowsWatched->TowerPicture(), drawnAt,
                    WatchedClear(TWebPage::Tower) ? WindowsWatched->ClearTower() : QImage());
}

TPictureRef TLiveFeed::TakeLine(qint64 drawnAt) {
    return Numbered(WindowsWatched->TickerLine(false), drawnAt,
                    WatchedClear(TWebPage::Ticker) ? WindowsWatched->TickerLine(true) : QImage());
}

TPictureRef TLiveFeed::TakeStrip(qint64 drawnAt) {
    return Numbered(WindowsWatched->Strip().Picture, drawnAt,
                    WatchedClear(TWebPage::Ticker) ? WindowsWatched->ClearStrip() : QImage());
}

bool TLiveFeed::Watched(TWebPage page) const {
    return std::any_of(Channels.begin(), Channels.end(),
                       [page](const auto& channel) { return channel->Request.Page == page; });
}

bool TLiveFeed::WatchedClear(TWebPage page) const {
    return std::any_of(Channels.begin(), Channels.end(), [page](const auto& channel) {
        return channel->Request.Page == page && channel->Request.Transparent;
    });
}

void TLiveFeed::FlushTower() {
    TowerFlushQueued = false;
    if (!Watched(TWebPage::Tower)) {
        // Nothing is held for no one: a page that comes takes the picture of that moment.
        TowerPicture.reset();
        return;
    }
    const QImage& picture = WindowsWatched->TowerPicture();
    if (picture.isNull() || (TowerPicture && picture == TowerPicture->Image)) {
        return;
    }
    TPictureRef next = TakeTower(TowerChangedAt);
    Follow(*next, TowerPicture);
    TowerPicture = std::move(next);
    for (const auto& channel : Channels) {
        if (channel->Request.Page == TWebPage::Tower) {
            SendPicture(*channel, TowerPicture);
        }
    }
}

void TLiveFeed::FlushTicker() {
    TickerFlushQueued = false;
    const bool watched = Watched(TWebPage::Ticker);
    TStripSnapshot strip = WindowsWatched->Strip();
    if (strip.Shown) {
        const qint64 key = strip.Picture.cacheKey();
        if (StripShown && key == StripKey) {
            return; // the pages scroll it on their own
        }
        StripShown = true;
        StripKey = key;
        StripPicture.reset();
        if (!watched) {
            return;
        }
        StripPicture =
            Numbered(std::move(strip.Picture), TickerChangedAt,
                     WatchedClear(TWebPage::Ticker) ? WindowsWatched->ClearStrip() : QImage());
        for (const auto& channel : Channels) {
            if (channel->Request.Page == TWebPage::Ticker) {
                SendStrip(*channel);
            }
        }
        return;
    }
    const bool afterStrip = StripShown;
    StripShown = false;
    if (StripPicture) {
        StripPicture.reset();
        ReturnFreeMemory(); // as the window does when its strip ends
    }
    if (!watched) {
        LinePicture.reset();
        return;
    }
    QImage shown = WindowsWatched->TickerLine(false);
    if (shown.isNull() || (!afterStrip && LinePicture && shown == LinePicture->Image)) {
        return;
    }
    TPictureRef line =
        Numbered(std::move(shown), TickerChangedAt,
                 WatchedClear(TWebPage::Ticker) ? WindowsWatched->TickerLine(true) : QImage());
    Follow(*line, LinePicture);
    LinePicture = std::move(line);
    for (const auto& channel : Channels) {
        if (channel->Request.Page == TWebPage::Ticker) {
            SendPicture(*channel, LinePicture);
        }
    }
}

void TLiveFeed::TickerScrollStarted() {
    if (StripShown) {
        SendToTickers(ScrollMessage(WindowsWatched->Strip().Offset, WallClockMs()));
    }
}

void TLiveFeed::SendToTickers(const std::string& text) {
    for (const auto& channel : Channels) {
        if (channel->Request.Page == TWebPage::Ticker) {
            Enqueue(*channel, TOutgoingMessage{[text] { return text; }, nullptr, false});
        }
    }
}

void TLiveFeed::SendCurrent(TFeedChannel& channel) {
    // What no page was watching is taken now.
    // So is a clear form the first transparent page needs; the strip is still the same one
    // (a new one is flushed to every page anyway).
    const qint64 now = WallClockMs();
    const auto clearMissing = [&channel](const TPictureRef& picture) {
        return channel.Request.Transparent && picture && picture->Clear.isNull();
    };
    if (channel.Request.Page == TWebPage::Tower) {
        if (!TowerPicture) {
            TowerPicture = TakeTower(now);
        } else if (clearMissing(TowerPicture)) {
            Retake(TowerPicture, TakeTower(now));
            return;
        }
        SendPicture(channel, TowerPicture);
    } else if (StripShown) {
        if (!StripPicture) {
            StripPicture = TakeStrip(now);
        } else if (clearMissing(StripPicture) &&
                   WindowsWatched->Strip().Picture.cacheKey() == StripKey) {
            StripPicture->Clear = WindowsWatched->ClearStrip();
        }
        SendStrip(channel);
    } else {
        if (!LinePicture) {
            LinePicture = TakeLine(now);
        } else if (clearMissing(LinePicture)) {
            Retake(LinePicture, TakeLine(now));
            return;
        }
        SendPicture(channel, LinePicture);
    }
}

void TLiveFeed::Retake(TPictureRef& held, TPictureRef next) {
    // The window may have changed since `held` was taken, with its flush still to come: the
    // pages that have `held` get the new picture too, or that flush, finding it the same, would
    // leave them behind.
    Follow(*next, held);
    held = std::move(next);
    const TWebPage page = &held == &TowerPicture ? TWebPage::Tower : TWebPage::Ticker;
    for (const auto& other : Channels) {
        if (other->Request.Page == page) {
            SendPicture(*other, held);
        }
    }
}

const QImage& TLiveFeed::FormOf(const TFeedChannel& channel, const TPushedPicture& picture) {
    return channel.Request.Transparent ? picture.Clear : picture.Image;
}

void TLiveFeed::SendPicture(TFeedChannel& channel, const TPictureRef& picture) {
    if (!picture || FormOf(channel, *picture).isNull()) {
        return;
    }
    Enqueue(channel, TOutgoingMessage{nullptr, picture, true});
}

void TLiveFeed::SendStrip(TFeedChannel& channel) {
    if (!StripPicture || FormOf(channel, *StripPicture).isNull()) {
        return;
    }
    // The offset is the window's when the strip goes, if the window still shows it.
    const qint64 key = StripKey;
    const qint64 drawnAt = StripPicture->DrawnAt;
    const std::string queued = StripMessageOf(WindowsWatched->Strip(), drawnAt);
    Enqueue(channel, TOutgoingMessage{[this, key, queued, drawnAt] {
                                          const TStripSnapshot strip = WindowsWatched->Strip();
                                          if (!strip.Shown || strip.Picture.cacheKey() != key) {
                                              return queued;
                                          }
                                          return StripMessageOf(strip, drawnAt);
                                      },
                                      StripPicture, false});
}

void TLiveFeed::Enqueue(TFeedChannel& channel, TOutgoingMessage message) {
    if (message.Replaceable) {
        std::erase_if(channel.Queue,
                      [](const TOutgoingMessage& waiting) { return waiting.Replaceable; });
    }
    if (message.Picture) {
        // The form it will most likely go in is started now; Pump makes sure of it.
        const bool behindOthers =
            std::any_of(channel.Queue.begin(), channel.Queue.end(),
                        [](const TOutgoingMessage& waiting) { return waiting.Picture; });
        Encoding(*message.Picture, channel.Request.Transparent,
                 message.Replaceable && !behindOthers && PatchFor(channel, *message.Picture));
    }
    channel.Queue.push_back(std::move(message));
    Pump(channel);
}

void TLiveFeed::Pump(TFeedChannel& channel) {
    TChannelOutput& output = *channel.Output;
    while (!channel.Queue.empty()) {
        TOutgoingMessage& next = channel.Queue.front();
        if (!next.Picture) {
            output.SendText(next.Text());
            channel.Queue.pop_front();
            continue;
        }
        const bool patch = next.Replaceable && PatchFor(channel, *next.Picture);
        const QFuture<TEncodedPicture> encoded =
            Encoding(*next.Picture, channel.Request.Transparent, patch);
        if (!encoded.isFinished() || (next.Replaceable && output.Backlog() > MaxBacklog)) {
            return; // the encoding's end, or the channel's progress, pumps again
        }
        const TEncodedPicture& form = encoded.result();
        const TPushedPicture& picture = *next.Picture;
        if (!next.Replaceable) {
            output.SendText(next.Text());
        } else if (form.Whole) {
            output.SendText(
                PictureMessage(picture.Image.width(), picture.Image.height(), picture.DrawnAt));
        } else {
            output.SendText(PatchMessage(picture.Image.width(), picture.Image.height(), form.Boxes,
                                         picture.DrawnAt));
        }
        output.SendBinary(form.Png);
        // A strip takes the window's place in the page: the next picture goes whole.
        channel.Shown = next.Replaceable ? picture.Number : 0;
        channel.Queue.pop_front();
    }
}

void TLiveFeed::PumpAll() {
    for (const auto& channel : Channels) {
        Pump(*channel);
    }
}

QFuture<TEncodedPicture> TLiveFeed::Encoding(TPushedPicture& picture, bool transparent,
                                             bool patch) {
    return PictureForm(picture, transparent, patch, this, [this] { PumpAll(); });
}
