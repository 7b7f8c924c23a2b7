#include "core/app/broadcast.h"
#include "core/live/players.h"
#include "core/messages/raceevent.h"
#include "ui/messages/msg1.h"
#include "ui/support/qtsupport.h"

#include <QApplication>
#include <QFontMetrics>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace {

const QColor Silver(192, 192, 192);
const QColor Yellow(255, 255, 0);
const QColor StripBlue(42, 112, 255);

QColor At(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

int CountPixels(const QImage& image, const QRect& area, const std::function<bool(QColor)>& is) {
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            count += is(At(image, x, y)) ? 1 : 0;
        }
    }
    return count;
}

/// Anti-aliased red glyphs on white or black.
bool Reddish(QColor c) {
    return c.red() > 200 && c.green() < 90 && c.blue() < 90;
}

std::function<bool(QColor)> Exactly(QColor wanted) {
    return [wanted](QColor c) { return c == wanted; };
}

bool Lit(QColor c) {
    return c != QColor(Qt::black);
}

QImage Rgb(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB32);
}

class Msg1Test : public ::testing::Test {
  protected:
    void SetSession(const std::string& session, const std::string& phase,
                    const std::string& yellowFlag = "", int lengthLaps = 0) {
        TGameSession values;
        values.Session = session;
        values.GamePhase = phase;
        values.YellowFlag = yellowFlag;
        values.LengthLaps = lengthLaps;
        Live.Players->SetSession(values);
    }

    void AddLeader(int laps) {
        TPlayer& leader = Live.Players->Item(Live.Players->AddPlayer());
        leader.Driver = "Leader";
        leader.Position[0] = 1;
        leader.Laps = laps;
        leader.Flags = PlayerFlag::Seen;
    }

    int Width(const QString& text) const {
        return QFontMetrics(Form.font()).horizontalAdvance(text);
    }

    TBroadcast Live;
    TFormMsg1 Form{TTickerSources{Live.EventQueue, Live.RankingList, Live.Players}};
};

} // namespace

TEST_F(Msg1Test, EventBoxHoldsRedTitleThenTheMarkup) {
    Live.EventQueue.AddEvent("Pit-in", "#1# ABC", 6);
    Form.Timer1Timer();
    ASSERT_TRUE(Live.EventQueue.Items(0).Shown);

    const int space = Width(" ");
    const int half = space / 2;
    const int titleWidth = Width(" Pit-in ");
    const int boxWidth = Width("###");
    const int markupWidth = space + boxWidth + half + Width(" ABC") + space;
    EXPECT_EQ(Form.DrawEvent(nullptr, Live.EventQueue.Items(0), 0, false),
              5 + titleWidth + markupWidth + Width("#"));

    const int lineHeight = Form.LineHeight();
    const int left = 5;
    const int right = left + titleWidth + markupWidth; // exclusive
    const int bottom = 2 + lineHeight;                 // exclusive
    const QImage shown = Form.Composite();
    EXPECT_EQ(At(shown, left, 2), QColor(Qt::white));
    EXPECT_EQ(At(shown, left - 1, 2), QColor(Qt::black));
    EXPECT_EQ(At(shown, right, 2), QColor(Qt::black));
    EXPECT_EQ(At(shown, left, bottom), QColor(Qt::black));

    const QRect titleArea(left, 2, titleWidth, lineHeight);
    EXPECT_GT(CountPixels(shown, titleArea, Reddish), 20);

    // The number box one space after the title, inset by a tenth of the line height.
    const int boxLeft = left + titleWidth + space;
    const int inset = lineHeight / 10;
    EXPECT_EQ(At(shown, boxLeft + 1, 2 + inset), QColor(Qt::red));
    EXPECT_EQ(At(shown, boxLeft + 1, 2 + inset - 1), QColor(Qt::white));
    const QRect boxArea(boxLeft, 2 + inset, boxWidth, lineHeight - 2 * inset);
    EXPECT_GT(CountPixels(shown, boxArea, Exactly(Qt::white)), 5) << "the digit";

    const QRect plainArea(boxLeft + boxWidth + half, 2, Width(" ABC"), lineHeight);
    EXPECT_GT(CountPixels(shown, plainArea, Exactly(Qt::black)), 20);
    EXPECT_EQ(CountPixels(shown, plainArea, Reddish), 0);
}

TEST_F(Msg1Test, NumberBoxIsRedOnlyForTheValueOne) {
    const struct {
        const char* text;
        QColor fill;
    } cases[] = {{"#1#", Qt::red}, {"#01#", Qt::red}, {"#3#", Qt::black}, {"#x#", Qt::black}};
    for (const auto& c : cases) {
        Live.EventQueue.AddEvent("", c.text, 5);
    }
    Form.Timer1Timer();
    const QImage shown = Form.Composite();
    const int lineHeight = Form.LineHeight();
    const int inset = lineHeight / 10;
    const int boxWidth = Width("###");
    int x = 0;
    for (int i = 0; i < Live.EventQueue.Count(); ++i) {
        SCOPED_TRACE(cases[i].text);
        ASSERT_TRUE(Live.EventQueue.Items(i).Shown);
        const int boxLeft = x + 5 + Width(" ");
        EXPECT_EQ(At(shown, boxLeft, 2 + inset), cases[i].fill);
        EXPECT_EQ(At(shown, boxLeft + boxWidth - 1, 2 + inset), cases[i].fill);
        const QRect boxArea(boxLeft, 2 + inset, boxWidth, lineHeight - 2 * inset);
        EXPECT_GT(CountPixels(shown, boxArea, Exactly(Qt::white)), 5) << "the white content";
        x += Form.DrawEvent(nullptr, Live.EventQueue.Items(i), x, false);
    }

    // With neither title nor text the box is two spaces of white.
    const TRaceEvent empty;
    EXPECT_EQ(Form.DrawEvent(nullptr, empty, 0, false), 5 + 2 * Width(" ") + Width("#"));
}

TEST_F(Msg1Test, PageLastsForItsLongestEventWhichAWaitingEventInherits) {
    Live.EventQueue.AddEvent("A", "Alpha", 8);
    Live.EventQueue.AddEvent("B", "Bravo", 10);
    Live.EventQueue.AddEvent("C", "Charlie", 6);
    const int a = Form.DrawEvent(nullptr, Live.EventQueue.Items(0), 0, false);
    const int b = Form.DrawEvent(nullptr, Live.EventQueue.Items(1), 0, false);
    Form.resize(a + b + 10, Form.height()); // A and B fit exactly, C does not

    Form.Timer1Timer();
    ASSERT_EQ(Live.EventQueue.Count(), 3);
    EXPECT_TRUE(Live.EventQueue.Items(0).Shown);
    EXPECT_TRUE(Live.EventQueue.Items(1).Shown);
    EXPECT_FALSE(Live.EventQueue.Items(2).Shown);
    EXPECT_EQ(Live.EventQueue.Items(2).Remaining, 10);

    for (int tick = 2; tick <= 10; ++tick) {
        Form.Timer1Timer();
    }
    ASSERT_EQ(Live.EventQueue.Count(), 3) << "A and B stay for ten seconds";
    EXPECT_FALSE(Live.EventQueue.Items(2).Shown);

    Form.Timer1Timer(); // the page expires and C comes up in the same tick
    ASSERT_EQ(Live.EventQueue.Count(), 1);
    EXPECT_EQ(Live.EventQueue.Items(0).Title, "C");
    EXPECT_TRUE(Live.EventQueue.Items(0).Shown);
    for (int tick = 12; tick <= 20; ++tick) {
        Form.Timer1Timer();
    }
    EXPECT_EQ(Live.EventQueue.Count(), 1) << "C keeps the page's ten seconds";
    Form.Timer1Timer();
    EXPECT_EQ(Live.EventQueue.Count(), 0);
}

TEST_F(Msg1Test, WideEventShowsAloneCutAndZeroDurationLastsOneTick) {
    Live.EventQueue.AddEvent("Wide", std::string(120, 'W'), 0);
    Live.EventQueue.AddEvent("Next", "x", 7);
    ASSERT_GT(Form.DrawEvent(nullptr, Live.EventQueue.Items(0), 0, false), Form.width());

    Form.Timer1Timer();
    EXPECT_TRUE(Live.EventQueue.Items(0).Shown);
    EXPECT_FALSE(Live.EventQueue.Items(1).Shown);
    EXPECT_EQ(Live.EventQueue.Items(1).Remaining, 7) << "a zero page time is not carried over";
    const QImage shown = Form.Composite();
    EXPECT_EQ(shown.size(), Form.size());
    EXPECT_EQ(At(shown, Form.width() - 1, 2), QColor(Qt::white)) << "box runs to the edge";

    Form.Timer1Timer();
    ASSERT_EQ(Live.EventQueue.Count(), 1);
    EXPECT_EQ(Live.EventQueue.Items(0).Title, "Next");
    EXPECT_TRUE(Live.EventQueue.Items(0).Shown);
}

TEST_F(Msg1Test, StatusLineColoursAndPlaces) {
    const int w = Form.width();
    const QRect leftPart(0, 0, w / 3, Form.LineHeight());
    const QRect rightPart(w / 2, 0, w - w / 2, Form.LineHeight());

    Form.RefreshStatus();
    QImage status = Form.StatusBitmap();
    ASSERT_EQ(status.size(), Form.size());
    EXPECT_GT(CountPixels(status, rightPart, Exactly(Silver)), 20) << "\"Kestrune\"";
    EXPECT_EQ(CountPixels(status, leftPart, Lit), 0);
    // Right-aligned one space (of the enlarged font) clear of the edge.
    QFont notice = Form.font();
    notice.setPixelSize(PointsToPixels(16));
    const int space = QFontMetrics(notice).horizontalAdvance(' ');
    EXPECT_EQ(CountPixels(status, QRect(w - space, 0, space, Form.height()), Lit), 0);
    EXPECT_GT(CountPixels(status, QRect(w - space - 6, 0, 6, Form.height()), Lit), 0);

    AddLeader(3);
    SetSession("Race", "FullCourseYellow", "PitClosed", 15);
    Form.SetNotice("ignored during a yellow");
    EXPECT_EQ(Form.StatusBitmap(), status) << "kept until the next refresh";
    Form.RefreshStatus();
    status = Form.StatusBitmap();
    EXPECT_GT(CountPixels(status, rightPart, Exactly(Yellow)), 20);
    EXPECT_EQ(CountPixels(status, rightPart, Exactly(Silver)), 0);
    EXPECT_GT(CountPixels(status, leftPart, Exactly(Silver)), 10) << "lap counter";
    EXPECT_EQ(CountPixels(status, leftPart, Exactly(Qt::white)), 0);

    SetSession("Race", "FormationLap", "", 15);
    Form.RefreshStatus();
    status = Form.StatusBitmap();
    EXPECT_GT(CountPixels(status, leftPart, Exactly(Qt::white)), 10) << "\" FormationLap\"";
    EXPECT_EQ(CountPixels(status, QRect(0, Form.LineHeight(), w, 10), Lit), 0)
        << "nothing below the line";
    Form.SetNotice("");
    Form.RefreshStatus();
    EXPECT_NE(Form.StatusBitmap(), status) << "the operator's notice showed once the yellow ended";
}

TEST_F(Msg1Test, LineHeightFollowsTheFontSize) {
    EXPECT_EQ(Form.font().pixelSize(), 19);
    EXPECT_EQ(Form.LineHeight(), 27);
    Form.ApplyFontSize(12);
    EXPECT_EQ(Form.font().pixelSize(), 16);
    EXPECT_EQ(Form.LineHeight(), 23);
    Form.ApplyFontSize(8);
    Form.ApplyFontSize(33);
    EXPECT_EQ(Form.font().pixelSize(), 16) << "out of range sizes are ignored";
    Form.ApplyFontSize(32);
    EXPECT_EQ(Form.font().pixelSize(), 43);
    EXPECT_EQ(Form.LineHeight(), 62);
}

TEST_F(Msg1Test, PaintingShowsTheComposedPicture) {
    Live.EventQueue.AddEvent("Fastest Lap", "#1# Leader 1:23.456", 5);
    Form.Timer1Timer();
    EXPECT_EQ(Rgb(Form.grab().toImage()), Rgb(Form.Composite()));

    Live.RankingList.AddEvent("Best Lap", "", 0);
    Live.RankingList.AddEvent("", "#1# Leader 1:23.456", 0);
    Form.SetRankingMode(true);
    for (int tick = 0; tick < 5; ++tick) {
        Form.Timer1Timer();
    }
    Form.ScrollTick();
    Form.ScrollTick();
    ASSERT_EQ(Form.ScrollOffset(), 2);
    EXPECT_EQ(Rgb(Form.grab().toImage()), Rgb(Form.Composite()));
}

TEST_F(Msg1Test, RankingStripStandsStillThenScrollsToItsEnd) {
    Live.EventQueue.AddEvent("Pit-in", "#2# Someone", 6);
    Form.Timer1Timer();
    Live.RankingList.AddEvent("Best Lap", "", 0);
    for (int i = 1; i <= 8; ++i) {
        Live.RankingList.AddEvent("", "#" + std::to_string(i) + "# Driver " + std::to_string(i), 0);
    }
    int expectedWidth = 4;
    for (int i = 0; i < Live.RankingList.Count(); ++i) {
        expectedWidth += Form.DrawEvent(nullptr, Live.RankingList.Items(i), expectedWidth, false);
    }

    Form.SetRankingMode(true);
    ASSERT_TRUE(Form.RankingMode());
    const int w = Form.width();
    const int lineHeight = Form.LineHeight();
    const QImage& strip = Form.RankingBitmap();
    ASSERT_EQ(strip.size(), QSize(5 * w, Form.height()));
    EXPECT_EQ(Form.RankingWidth(), expectedWidth);
    EXPECT_EQ(Form.StartDelay(), 5);
    EXPECT_EQ(Form.ScrollOffset(), 0);
    EXPECT_EQ(At(strip, 5, 2), StripBlue) << "bar";
    EXPECT_EQ(At(strip, 9, 3), QColor(Qt::white)) << "first box";
    EXPECT_EQ(At(strip, 5 * w - 1, lineHeight + 2), StripBlue) << "underline";
    EXPECT_EQ(Rgb(Form.Composite()), Rgb(strip.copy(0, 0, w, Form.height())));

    // Still for five ticks; a tick meanwhile (left over from an earlier strip) moves nothing.
    for (int tick = 1; tick <= 4; ++tick) {
        Form.Timer1Timer();
        Form.ScrollTick();
    }
    EXPECT_EQ(Form.StartDelay(), 1);
    EXPECT_EQ(Form.ScrollOffset(), 0);
    Form.Timer1Timer();
    EXPECT_EQ(Form.StartDelay(), 0);
    Form.ScrollTick();
    EXPECT_EQ(Form.ScrollOffset(), 1);
    EXPECT_EQ(Rgb(Form.Composite()), Rgb(strip.copy(1, 0, w, Form.height())));
    ASSERT_EQ(Live.EventQueue.Count(), 1);
    EXPECT_EQ(Live.EventQueue.Items(0).Remaining, 6) << "events are frozen under the strip";

    // A second request while the strip runs neither rebuilds nor restarts it.
    const QImage built = strip.copy();
    Live.RankingList.Clear();
    Live.RankingList.AddEvent("Pit Stops", "#1# Other", 0);
    Form.SetRankingMode(true);
    EXPECT_EQ(Form.RankingBitmap(), built);
    EXPECT_EQ(Form.RankingWidth(), expectedWidth);
    EXPECT_EQ(Form.ScrollOffset(), 1);
    EXPECT_EQ(Form.StartDelay(), 0);

    const int end = expectedWidth - w / 3;
    ASSERT_GT(end, 1);
    for (int guard = 0; Form.RankingMode() && guard < 10 * end; ++guard) {
        Form.ScrollTick();
    }
    EXPECT_FALSE(Form.RankingMode());
    EXPECT_EQ(Form.ScrollOffset(), end);
    EXPECT_TRUE(Live.EventQueue.Items(0).Shown) << "the event line returns as it was";
    EXPECT_EQ(Live.EventQueue.Items(0).Remaining, 6);
    EXPECT_TRUE(Form.RankingBitmap().isNull()) << "the strip's memory is given back";

    const QImage line = Form.Composite();
    Form.ScrollTick(); // late tick of the stopped strip
    EXPECT_EQ(Form.ScrollOffset(), end);
    EXPECT_EQ(Form.Composite(), line);
}

TEST_F(Msg1Test, ALongRankingIsDrawnWholeSoNoBlackScrollsAfterIt) {
    Live.RankingList.AddEvent("Best Lap", "", 0);
    for (int i = 1; i <= 60; ++i) {
        Live.RankingList.AddEvent(
            "", "#" + std::to_string(i) + "# DRIVER" + std::to_string(i) + "  1:23.456", 0);
    }
    Form.SetRankingMode(true);
    const QImage& strip = Form.RankingBitmap();
    ASSERT_GT(Form.RankingWidth(), 5 * Form.width()) << "a longer ranking than five widths";
    ASSERT_GE(strip.width(), Form.RankingWidth());
    const int lastBox = Form.RankingWidth() - 20; // inside the last entry's white box
    EXPECT_EQ(At(strip, lastBox, 3), QColor(Qt::white));
}

namespace {

/// Counts the scroll ticks that reach the object it watches, and lets them through.
class TTickCounter : public QObject {
  public:
    int Ticks = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == EventScrollTick) {
            ++Ticks;
        }
        return false;
    }
};

bool ProcessUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

} // namespace

TEST_F(Msg1Test, ScrollTicksReachTheTickerOnlyWhileTheStripScrolls) {
    TTickCounter counter;
    Form.installEventFilter(&counter);
    Live.RankingList.AddEvent("Best Lap", std::string(200, 'x'), 0);
    Form.SetRankingMode(true);
    for (int tick = 0; tick < 4; ++tick) {
        Form.Timer1Timer();
    }
    QApplication::sendPostedEvents(&Form);
    EXPECT_EQ(counter.Ticks, 0) << "no thread while the strip stands still";
    Form.Timer1Timer();
    EXPECT_TRUE(ProcessUntil([&] { return counter.Ticks >= 3; }));
    EXPECT_GE(Form.ScrollOffset(), 3) << "each tick moves the strip";

    Form.SetRankingMode(false);
    QApplication::sendPostedEvents(&Form);
    const int stopped = counter.Ticks;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    QApplication::sendPostedEvents(&Form);
    EXPECT_EQ(counter.Ticks, stopped);
    Form.removeEventFilter(&counter);

    // A ticker destroyed mid-strip takes its thread along: no tick reaches freed memory.
    auto doomed = std::make_unique<TFormMsg1>(
        TTickerSources{Live.EventQueue, Live.RankingList, Live.Players});
    doomed->SetRankingMode(true);
    for (int tick = 0; tick < 5; ++tick) {
        doomed->Timer1Timer();
    }
    ASSERT_TRUE(ProcessUntil([&] { return doomed->ScrollOffset() > 0; })) << "it scrolls";
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    doomed.reset();
    QApplication::processEvents();
}
