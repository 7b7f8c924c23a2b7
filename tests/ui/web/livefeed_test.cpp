// What the live channels are sent, with stand-in windows and outputs that keep what they get:
// no sockets, no browser.

#include "ui/web/livefeed.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QThread>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

QImage Filled(QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

class TStandInWindows : public TWebWindows {
  public:
    const QImage& TowerPicture() const override { return Tower; }
    QImage ClearTower() const override { return TowerClear; }
    QSize TowerSize() const override { return Tower.size(); }
    QImage TickerLine(bool) const override { return Line; }
    QSize TickerSize() const override { return Line.size(); }
    TStripSnapshot Strip() const override { return StripNow; }
    QImage ClearStrip() const override { return StripNow.Picture; }
    void Watch(QObject*, std::function<void()> tower, std::function<void()> ticker,
               std::function<void()> scrolls) override {
        TowerDrawn = std::move(tower);
        TickerDrawn = std::move(ticker);
        ScrollStarted = std::move(scrolls);
    }

    QImage Tower = Filled({40, 120}, Qt::black);
    QImage TowerClear = QImage(40, 120, QImage::Format_ARGB32);
    QImage Line = Filled({300, 20}, Qt::black);
    TStripSnapshot StripNow;
    std::function<void()> TowerDrawn;
    std::function<void()> TickerDrawn;
    std::function<void()> ScrollStarted;
};

/// Keeps what a channel is sent; `Held` stands for bytes the reader has not taken.
class TKeptOutput : public TChannelOutput {
  public:
    void SendText(const std::string& text) override { Texts.push_back(text); }
    void SendBinary(const QByteArray& bytes) override { Pictures.push_back(bytes); }
    qint64 Backlog() const override { return Held; }

    std::vector<std::string> Texts;
    std::vector<QByteArray> Pictures;
    qint64 Held = 0;
};

/// Runs the event loop (encodings end on it) until `done`, for at most ten seconds.
bool Until(const std::function<bool()>& done) {
    return QTest::qWaitFor(done, 10000);
}

QJsonObject Json(const std::string& text) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

QImage Decoded(const QByteArray& png) {
    return QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32);
}

/// `base` with a patch message's boxes, stacked top to bottom in `stacked`, put in place.
QImage Patched(QImage base, const QJsonObject& patch, const QImage& stacked) {
    {
        QPainter painter(&base);
        int top = 0;
        for (const QJsonValue value : patch["boxes"].toArray()) {
            const QJsonArray box = value.toArray();
            const QRect to(box[0].toInt(), box[1].toInt(), box[2].toInt(), box[3].toInt());
            painter.drawImage(to.topLeft(), stacked, QRect(QPoint(0, top), to.size()));
            top += to.height();
        }
    }
    return base;
}

class LiveFeedTest : public ::testing::Test {
  protected:
    TStandInWindows* Windows = new TStandInWindows; // the feed's
    // Before the feed, so they outlive its channels.
    TKeptOutput TowerPage;
    TKeptOutput OtherTowerPage;
    TKeptOutput TickerPage;
    TLiveFeed Feed{std::unique_ptr<TWebWindows>(Windows)};
};

TEST_F(LiveFeedTest, AChangedTowerPictureGoesToEachTowerChannelOnceAsAPatch) {
    Feed.Open({TWebPage::Tower, false}, TowerPage);
    Feed.Open({TWebPage::Ticker, false}, TickerPage);
    ASSERT_TRUE(Until([&] { return TowerPage.Texts.size() == 1 && TickerPage.Texts.size() == 1; }));
    EXPECT_EQ(Json(TowerPage.Texts[0])["kind"].toString(), "picture");
    EXPECT_EQ(Decoded(TowerPage.Pictures[0]), Windows->Tower);

    const QImage before = Windows->Tower;
    QImage after = before.copy();
    after.fill(Qt::white);
    QPainter(&after).fillRect(0, 0, 40, 50, Qt::black);
    Windows->Tower = after;
    Windows->TowerDrawn();
    ASSERT_TRUE(Until([&] { return TowerPage.Texts.size() >= 2; }));
    ASSERT_EQ(TowerPage.Texts.size(), 2u);
    ASSERT_EQ(TowerPage.Pictures.size(), 2u);
    const QJsonObject patch = Json(TowerPage.Texts[1]);
    EXPECT_EQ(patch["kind"].toString(), "patch");
    EXPECT_EQ(Patched(before, patch, Decoded(TowerPage.Pictures[1])), after);
    EXPECT_EQ(TickerPage.Texts.size(), 1u) << "the ticker's page is not sent the tower";

    // A transparent page opens while a change waits to be taken: it gets the clear form, and
    // the page there before gets the change, which the flush then finds already taken.
    const QImage third = Filled(after.size(), Qt::blue);
    Windows->Tower = third;
    Windows->TowerClear.fill(Qt::transparent);
    Windows->TowerDrawn();
    Feed.Open({TWebPage::Tower, true}, OtherTowerPage);
    ASSERT_TRUE(
        Until([&] { return TowerPage.Texts.size() == 3 && !OtherTowerPage.Texts.empty(); }));
    EXPECT_EQ(Patched(after, Json(TowerPage.Texts[2]), Decoded(TowerPage.Pictures[2])), third);
    EXPECT_EQ(
        QImage::fromData(OtherTowerPage.Pictures[0], "PNG").convertToFormat(QImage::Format_ARGB32),
        Windows->TowerClear);
    QCoreApplication::processEvents();
    EXPECT_EQ(TowerPage.Texts.size(), 3u) << "sent once";
}

TEST_F(LiveFeedTest, APictureWaitingForASlowPageIsReplacedByTheNewerOneWhole) {
    TowerPage.Held = MaxBacklog + 1;
    TFeedChannel* slow = Feed.Open({TWebPage::Tower, false}, TowerPage);
    Feed.Open({TWebPage::Tower, false}, OtherTowerPage);
    ASSERT_TRUE(Until([&] { return OtherTowerPage.Texts.size() == 1; }));
    const QImage newer = Filled(Windows->Tower.size(), Qt::blue);
    Windows->Tower = newer;
    Windows->TowerDrawn();
    // The other page has it: the slow one has it waiting in the first one's place.
    ASSERT_TRUE(Until([&] { return OtherTowerPage.Texts.size() == 2; }));
    EXPECT_TRUE(TowerPage.Texts.empty());

    TowerPage.Held = 0;
    Feed.Pump(*slow);
    ASSERT_TRUE(Until([&] { return !TowerPage.Texts.empty(); }));
    ASSERT_EQ(TowerPage.Texts.size(), 1u);
    EXPECT_EQ(Json(TowerPage.Texts[0])["kind"].toString(), "picture");
    EXPECT_EQ(Decoded(TowerPage.Pictures[0]), newer);
}

TEST_F(LiveFeedTest, AShownStripGoesAsAStripMessageWithItsPictureAndThenItsScroll) {
    Feed.Open({TWebPage::Ticker, false}, TickerPage);
    ASSERT_TRUE(Until([&] { return TickerPage.Texts.size() == 1; }));
    const QImage strip = Filled({900, 20}, Qt::yellow);
    Windows->StripNow = {true, strip, 40, 650, false};
    Windows->TickerDrawn();
    ASSERT_TRUE(Until([&] { return TickerPage.Texts.size() >= 2; }));
    ASSERT_EQ(TickerPage.Pictures.size(), 2u);
    const QJsonObject shown = Json(TickerPage.Texts[1]);
    EXPECT_EQ(shown["kind"].toString(), "strip");
    EXPECT_EQ(shown["width"].toInt(), 300);
    EXPECT_EQ(shown["height"].toInt(), 20);
    EXPECT_EQ(shown["offset"].toInt(), 40);
    EXPECT_EQ(shown["end"].toInt(), 650);
    EXPECT_FALSE(shown["scrolling"].toBool());
    EXPECT_EQ(shown["speed"].toInt(), 100);
    EXPECT_EQ(Decoded(TickerPage.Pictures[1]), strip);

    Windows->StripNow.Offset = 55;
    Windows->StripNow.Scrolling = true;
    Windows->ScrollStarted();
    ASSERT_EQ(TickerPage.Texts.size(), 3u) << "a text with nothing before it goes at once";
    const QJsonObject scroll = Json(TickerPage.Texts[2]);
    EXPECT_EQ(scroll["kind"].toString(), "scroll");
    EXPECT_EQ(scroll["offset"].toInt(), 55);
}

} // namespace
