#include "ui/web/formwebwindows.h"

#include "ui/messages/msg1.h"
#include "ui/standings/stats1.h"
#include "ui/support/qtdevicepixels.h"

const QImage& TFormWebWindows::TowerPicture() const {
    return Tower.Bitmap();
}

QImage TFormWebWindows::ClearTower() const {
    return Tower.ClearBitmap();
}

QSize TFormWebWindows::TowerSize() const {
    return DeviceSize(Tower.size(), Tower.devicePixelRatioF());
}

QImage TFormWebWindows::TickerLine(bool clear) const {
    return Ticker.Composite(clear);
}

QSize TFormWebWindows::TickerSize() const {
    return DeviceSize(Ticker.size(), Ticker.devicePixelRatioF());
}

TStripSnapshot TFormWebWindows::Strip() const {
    return {Ticker.RankingMode(), Ticker.RankingBitmap(), Ticker.ScrollOffset(),
            Ticker.StripEndOffset(), Ticker.Scrolling()};
}

QImage TFormWebWindows::ClearStrip() const {
    return Ticker.ClearRankingBitmap();
}

void TFormWebWindows::Watch(QObject* receiver, std::function<void()> tower,
                            std::function<void()> ticker, std::function<void()> scrolls) {
    QObject::connect(&Tower, &TFormStats1::PictureChanged, receiver, std::move(tower));
    QObject::connect(&Ticker, &TFormMsg1::PictureChanged, receiver, std::move(ticker));
    QObject::connect(&Ticker, &TFormMsg1::ScrollStarted, receiver, std::move(scrolls));
}
