#include "web/formwebwindows.h"

#include "messages/msg1.h"
#include "standings/stats1.h"
#include "support/qtdevicepixels.h"

const QImage& TFormWebWindows::TowerPicture() const {
    return Tower.Bitmap();
}

const std::vector<QRect>& TFormWebWindows::TowerInk() const {
    return Tower.InkBoxes();
}

QSize TFormWebWindows::TowerSize() const {
    return DeviceSize(Tower.size(), Tower.devicePixelRatioF());
}

QImage TFormWebWindows::TickerLine(std::vector<QRect>* ink) const {
    return Ticker.Composite(ink);
}

QSize TFormWebWindows::TickerSize() const {
    return DeviceSize(Ticker.size(), Ticker.devicePixelRatioF());
}

bool TFormWebWindows::StripShown() const {
    return Ticker.RankingMode();
}

const QImage& TFormWebWindows::StripPicture() const {
    return Ticker.RankingBitmap();
}

const std::vector<QRect>& TFormWebWindows::StripInk() const {
    return Ticker.RankingInkBoxes();
}

int TFormWebWindows::StripOffset() const {
    return Ticker.ScrollOffset();
}

int TFormWebWindows::StripEndOffset() const {
    return Ticker.StripEndOffset();
}

bool TFormWebWindows::StripScrolling() const {
    return Ticker.Scrolling();
}

void TFormWebWindows::Watch(QObject* receiver, std::function<void()> tower,
                            std::function<void()> ticker, std::function<void()> scrolls) {
    QObject::connect(&Tower, &TFormStats1::PictureChanged, receiver, std::move(tower));
    QObject::connect(&Ticker, &TFormMsg1::PictureChanged, receiver, std::move(ticker));
    QObject::connect(&Ticker, &TFormMsg1::ScrollStarted, receiver, std::move(scrolls));
}
