// The tower and the ticker at display scaling (run with --scale=1.5 and --scale=2): their
// pictures have the screen's own pixels, are drawn sharp rather than stretched, and are what
// the windows show, pixel for pixel.

#include "core/app/broadcast.h"
#include "core/app/config.h"
#include "core/live/players.h"
#include "core/messages/raceevent.h"
#include "ui/messages/msg1.h"
#include "ui/standings/stats1.h"
#include "ui/support/qtdevicepixels.h"
#include "ui/support/qtsupport.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "tests/support/carslot.h"

#include <cmath>
#include <memory>
#include <string>

namespace {

/// The scale the test was started with; every check depends on it, so a run at 100 % fails.
qreal AskedScale() {
    return qEnvironmentVariable("QT_SCALE_FACTOR").toDouble();
}

/// How many neighbouring columns of `area` differ. Stretching a picture only repeats columns,
/// so the 100 % picture stretched has no more changes than it has itself; a sharp drawing at
/// the device's pixels has more.
int ColumnChanges(const QImage& picture, const QRect& area) {
    int changes = 0;
    for (int x = area.left(); x < area.right(); ++x) {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            if (picture.pixel(x, y) != picture.pixel(x + 1, y)) {
                ++changes;
                break;
            }
        }
    }
    return changes;
}

QImage Shown(QWidget& window) {
    return window.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QImage Rgb(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB32);
}

class Scaled : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_GT(AskedScale(), 1.0) << "run with --scale=F, F above 1"; }
    TBroadcast Live;
    TKestruneConfig Config;
};

TSlot Car(const std::string& driver, int position) {
    return CarSlot(
        driver, position,
        {.LapDistanceTravelled = 1000.0, .FinishStatus = position == 3 ? "DNF" : "None"});
}

} // namespace

TEST_F(Scaled, TheTowerIsDrawnAtDevicePixelsSharpAndShownAsDrawn) {
    std::vector<TSlot> cars;
    for (int i = 1; i <= 12; ++i) {
        cars.push_back(Car("Driver Number " + std::to_string(i), i));
    }
    Live.Players->Merge(cars);
    TFormStats1 tower(TTowerSources{Live.Players, Config});
    tower.show();
    tower.RedrawRequest();
    const qreal scale = AskedScale();
    ASSERT_EQ(tower.devicePixelRatioF(), scale);

    const QImage& picture = tower.Bitmap();
    EXPECT_EQ(tower.size(), QSize(159, 476)) << "the window's size is in logical pixels";
    EXPECT_EQ(picture.size(), QSize(static_cast<int>(std::ceil(159 * scale)),
                                    static_cast<int>(std::ceil(476 * scale))));
    EXPECT_EQ(Shown(tower), Rgb(picture)) << "the window shows its picture unstretched";

    // For a transparent page the same rows at the same device pixels, on no background: the
    // retired driver's white name cell is opaque exactly where the window has it. (Text edges
    // may differ: a clear picture cannot take the subpixel smoothing an opaque one may get.)
    const QImage clear = tower.ClearBitmap();
    EXPECT_EQ(clear.size(), picture.size());
    const QRect cell =
        DeviceRect(QRect(3 + tower.PosColumnWidth() + 3, 5 + 2 * 22, tower.NameColumnWidth(), 22),
                   scale);
    for (const QPoint corner : {cell.topLeft(), cell.bottomRight()}) {
        EXPECT_EQ(QColor(picture.pixel(corner)), QColor(Qt::white));
        EXPECT_EQ(clear.pixel(corner), 0xFFFFFFFFu);
    }
    EXPECT_EQ(qAlpha(clear.pixel(cell.topLeft() - QPoint(1, 0))), 0);
    EXPECT_EQ(qAlpha(clear.pixel(0, 0)), 0);

    // The names' column, over the rows drawn, against the same rows drawn at 100 %.
    const QRect names(3 + tower.PosColumnWidth() + 3, 5, tower.NameColumnWidth(), 12 * 22);
    QImage plain(tower.size(), QImage::Format_RGB32);
    tower.DrawRows(plain);
    EXPECT_GT(ColumnChanges(picture, DeviceRect(names, scale)), ColumnChanges(plain, names));

    // The class view's boxes fall on whole device pixels too, and the screen shows them as drawn.
    Config.ClassView = true;
    tower.RedrawRequest();
    const QRect box = DeviceRect(QRect(3, 5 + 22 + 1, tower.PosColumnWidth(), 22 - 3), scale);
    const QColor colour = ToQColor(ClassColour({}, "", 0));
    EXPECT_EQ(QColor(tower.Bitmap().pixel(box.topLeft())), colour);
    EXPECT_EQ(QColor(tower.Bitmap().pixel(box.bottomRight())), colour);
    EXPECT_EQ(Shown(tower), Rgb(tower.Bitmap()));
}

TEST_F(Scaled, TheTickerLineAndStripAreSharpAndTheStripMovesByDevicePixels) {
    TFormMsg1 ticker(TTickerSources{Live.EventQueue, Live.RankingList, Live.Players});
    ticker.show();
    const qreal scale = AskedScale();
    Live.EventQueue.AddEvent("Pit-in", "#12# Driver Number Twelve", 6);
    ticker.Timer1Timer();
    const QImage line = ticker.Composite();
    EXPECT_EQ(line.size(), QSize(static_cast<int>(std::ceil(569 * scale)),
                                 static_cast<int>(std::ceil(77 * scale))));
    // The event's white box, less the space at its ends.
    const int space = QFontMetrics(ticker.font()).horizontalAdvance(' ');
    const int boxWidth = ticker.DrawEvent(nullptr, Live.EventQueue.Items(0), 0, false) - 5 -
                         QFontMetrics(ticker.font()).horizontalAdvance('#');
    const QRect text(5 + space, 2, boxWidth - 2 * space, ticker.LineHeight());
    QImage plain(ticker.size(), QImage::Format_RGB32);
    plain.fill(Qt::black);
    {
        QPainter painter(&plain);
        ticker.DrawEvent(&painter, Live.EventQueue.Items(0), 0, true);
    }
    EXPECT_GT(ColumnChanges(line, DeviceRect(text, scale)), ColumnChanges(plain, text));
    EXPECT_EQ(Shown(ticker), Rgb(line));

    Live.RankingList.AddEvent("Best Lap", "", 0);
    for (int i = 1; i <= 8; ++i) {
        Live.RankingList.AddEvent("", "#" + std::to_string(i) + "# Driver " + std::to_string(i), 0);
    }
    ticker.SetRankingMode(true);
    for (int tick = 0; tick < 5; ++tick) {
        ticker.Timer1Timer();
    }
    ASSERT_TRUE(ticker.Scrolling());
    ticker.StopScroll(); // the test moves it
    const QImage& strip = ticker.RankingBitmap();
    EXPECT_EQ(strip.height(), line.height());
    // Every offset, odd ones too, is shown exactly as the strip has it.
    for (int offset = 1; offset <= 3; ++offset) {
        ticker.ScrollStep();
        ASSERT_EQ(ticker.ScrollOffset(), offset);
        const QImage expected = Rgb(strip.copy(offset, 0, line.width(), line.height()));
        EXPECT_EQ(Rgb(ticker.Composite()), expected) << "offset " << offset;
        EXPECT_EQ(Shown(ticker), expected) << "offset " << offset;
    }
}
