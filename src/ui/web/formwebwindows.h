#pragma once
// The browser-source server's view of the real tower and ticker windows.

#include "ui/web/webwindows.h"

class TFormMsg1;
class TFormStats1;

class TFormWebWindows : public TWebWindows {
  public:
    TFormWebWindows(TFormStats1& tower, TFormMsg1& ticker, TWebControl* control = nullptr)
        : Tower(tower), Ticker(ticker), Console(control) {}

    const QImage& TowerPicture() const override;
    QImage ClearTower() const override;
    QSize TowerSize() const override;
    QImage TickerLine(bool clear) const override;
    QSize TickerSize() const override;
    TStripSnapshot Strip() const override;
    QImage ClearStrip() const override;
    void Watch(QObject* receiver, std::function<void()> tower, std::function<void()> ticker,
               std::function<void()> scrolls) override;
    TWebControl* Control() const override { return Console; }

  private:
    TFormStats1& Tower;
    TFormMsg1& Ticker;
    TWebControl* Console;
};
