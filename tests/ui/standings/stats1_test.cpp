#include "core/app/config.h"
#include "core/live/players.h"
#include "ui/standings/stats1.h"
#include "ui/support/qtsupport.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QFontMetrics>
#include <QPainter>

#include <gtest/gtest.h>

#include "tests/support/carslot.h"

#include <functional>
#include <memory>

namespace {

// The layout rules at the designed 19-pixel font: rows of 3 + 19 pixels from (3, 5).
constexpr int R = 22;
constexpr int CLeft = 3;
constexpr int CTop = 5;
constexpr int RowTop(int i) {
    return CTop + i * R;
}

const QColor Black(0, 0, 0), White(255, 255, 255), Silver(192, 192, 192), Red(255, 0, 0),
    Blue(0, 0, 255), Yellow(255, 255, 0);
constexpr TColor PitColour = 0x00FF00; // green

TSlot Car(const char* driver, int position, int laps = 0) {
    return CarSlot(driver, position, {.Laps = laps, .LapDistanceTravelled = 1000.0});
}

/// One reading as the reload cycle applies it: merge, then the session values.
void FeedInto(TPlayers& players, const std::vector<TSlot>& cars, const char* session, double time,
              const char* phase) {
    players.Merge(cars);
    TGameSession values;
    values.Session = session;
    values.GamePhase = phase;
    values.SessionTime = time;
    values.LengthLaps = 30;
    values.TrackLength = 5500.0;
    players.SetSession(values);
}

QColor At(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

int CountOf(const QImage& image, const QRect& area, QColor colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            n += At(image, x, y) == colour ? 1 : 0;
        }
    }
    return n;
}

bool Filled(const QImage& image, const QRect& area, QColor colour) {
    return CountOf(image, area, colour) == area.width() * area.height();
}

/// `text` drawn in white on black in a `size` picture by `draw`, for comparing with a region.
QImage Expected(QSize size, const QFont& font, const std::function<void(QPainter&)>& draw) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::white);
    draw(painter);
    return image;
}

class Stats1 : public ::testing::Test {
  protected:
    void SetUp() override { Config.Stats1FontInPitColor = PitColour; }
    void Feed(const std::vector<TSlot>& cars, const char* session, double time,
              const char* phase = "GreenFlag") {
        FeedInto(*Players, cars, session, time, phase);
    }
    /// Shows the window (which measures its columns) and draws the current records. The lap
    /// counter's column starts past the designed width of 159, so race pictures are wider.
    const QImage& Open(int width = 159) {
        Window = std::make_unique<TFormStats1>(TTowerSources{Players, Config});
        Window->resize(width, 476);
        Window->show();
        Window->RedrawRequest();
        return Window->Bitmap();
    }
    int Pos() const { return Window->PosColumnWidth(); }
    int Name() const { return Window->NameColumnWidth(); }
    int Digits() const { return Window->DigitsWidth(); }
    QRect NameCell(int i) const { return QRect(CLeft + Pos() + 3, RowTop(i), Name(), R); }
    QRect Bar(int i) const {
        return QRect(CLeft + Pos() + Name() + 6, RowTop(i) - R / 2 - 1, Digits() / 3, R - R / 7);
    }
    QRect MarkBox(int i) const { return QRect(CLeft, RowTop(i) + 1, Pos(), R - 3); }
    QRect GlyphBox(int i) const {
        return QRect(CLeft + (Pos() - Digits()) / 2, RowTop(i) + 1, Digits(), R - 3);
    }
    /// The leader's pit stop and lap counter cell, and what `text` looks like drawn there.
    QRect CounterCell() const {
        return QRect(CLeft + Pos() + 2 + 2 * Name() + Digits() / 2, RowTop(0), 2 * Name(), R);
    }
    QImage CounterText(const QString& text) const {
        return Expected(CounterCell().size(), Window->font(), [&](QPainter& p) {
            const QRect cell(QPoint(0, 0), CounterCell().size());
            p.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, text);
            p.drawText(cell.translated(0, 1), Qt::AlignLeft | Qt::AlignVCenter, text);
        });
    }

    std::unique_ptr<TPlayers> Players = std::make_unique<TPlayers>();
    TKestruneConfig Config;
    std::unique_ptr<TFormStats1> Window;
};

TEST_F(Stats1, MeasuresColumnsWhenShown) {
    TFormStats1 hidden(TTowerSources{Players, Config});
    EXPECT_EQ(hidden.size(), QSize(159, 476));
    EXPECT_EQ(hidden.DigitsWidth(), 0);
    EXPECT_TRUE(hidden.windowFlags().testFlag(Qt::FramelessWindowHint));
    Open();
    EXPECT_GT(Digits(), 0);
    EXPECT_EQ(Pos(), Digits() * 5 / 4);
    QImage surface(40, 40, QImage::Format_RGB32);
    EXPECT_EQ(Window->DrawRows(surface), R);

    Window->ApplyFont(8, false);
    EXPECT_EQ(Window->font().pixelSize(), 19) << "8 points is out of range";
    const int digits19 = Digits();
    Window->ApplyFont(9, true);
    EXPECT_EQ(Window->font().pixelSize(), 12);
    EXPECT_TRUE(Window->font().bold());
    EXPECT_LT(Digits(), digits19) << "a shown window measures again";
    Window->ApplyFont(32, true);
    EXPECT_EQ(Window->font().pixelSize(), 43);
}

TEST_F(Stats1, RaceCellsBarsAndLapCounter) {
    std::vector<TSlot> cars{Car("Tom Rider", 1, 12), Car("Bob Lee", 2, 12), Car("Amy Fox", 3, 12),
                            Car("Dan Four", 4, 9),   Car("Eve Pit", 5, 11), Car("Max Both", 6, 12)};
    cars[0].Pitstops = 1;
    cars[1].TimeGapToPrev = 6.25f;
    cars[2].FinishStatus = "Finished";
    cars[3].FinishStatus = "DNF";
    cars[4].InPits = 1;
    cars[4].TimeGapToPrev = 0.3f;
    cars[5].FinishStatus = "Finished";
    cars[5].InPits = 1;
    Feed(cars, "Race", 100.0);
    const QImage& image = Open(300);
    ASSERT_EQ(Window->Rows.size(), 6u);
    // The screen shows the picture and nothing else.
    EXPECT_EQ(Window->grab().toImage().convertToFormat(QImage::Format_RGB32), image);

    // Finished: blue cell, white text; retired: white cell, black text; in the pits: the
    // configured colour; finished beats in the pits.
    const QColor pit = ToQColor(PitColour);
    for (int i : {2, 5}) {
        EXPECT_GT(CountOf(image, NameCell(i), Blue), NameCell(i).width() * R / 2) << i;
        EXPECT_GT(CountOf(image, NameCell(i), White), 0) << i;
        EXPECT_EQ(CountOf(image, NameCell(i), pit), 0) << i;
    }
    EXPECT_GT(CountOf(image, NameCell(3), White), NameCell(3).width() * R / 2);
    EXPECT_GT(CountOf(image, NameCell(3), Black), 0);
    EXPECT_GT(CountOf(image, NameCell(4), pit), 0);
    EXPECT_EQ(CountOf(image, NameCell(4), White), 0);

    // Bars straddle the line to the car ahead, exactly as large as the layout says.
    const QRect bar = Bar(1);
    const QColor gap = ToQColor(GapColor(6.25f));
    EXPECT_EQ(gap, QColor(0, 255, 127));
    EXPECT_LT(bar.top(), RowTop(1));
    EXPECT_GT(bar.bottom(), RowTop(1));
    EXPECT_TRUE(Filled(image, bar, gap));
    EXPECT_EQ(At(image, bar.left(), bar.top() - 1), Black);
    EXPECT_EQ(At(image, bar.left(), bar.bottom() + 1), Black);
    EXPECT_EQ(At(image, bar.right() + 1, RowTop(1)), Black);
    EXPECT_TRUE(Filled(image, Bar(4), Red));
    for (int i : {2, 3, 5}) {
        EXPECT_TRUE(Filled(image, Bar(i), Black)) << i;
    }
    EXPECT_EQ(image.copy(CounterCell()), CounterText(" 1 [12/30]"));
}

TEST_F(Stats1, TheClassViewMarksEachRowWithItsClassAndWritesTheClassGap) {
    const auto car = [](const char* driver, int position, const char* cls, float gap) {
        return CarSlot(driver, position,
                       {.Laps = 12, .TimeGapToPrev = 6.25f, .LapDistanceTravelled = 1000.0,
                        .VehicleClass = cls, .TimeGapToLider = gap});
    };
    std::vector<TSlot> cars{car("Proto A", 1, "LMP2", 0), car("GT One", 2, "GT3", 6.25f),
                            car("Proto B", 3, "LMP2", 12.5f), car("GT Two", 4, "GT3", 18.75f)};
    cars[0].Pitstops = 1;
    cars[2].Pitstops = 2; // its count would run into the gap: the class view leaves it out
    Feed(cars, "Race", 100.0);
    Config.ClassView = true;
    Config.ClassColors = {{"LMP2", 0x00FFFF}}; // yellow: black digits
    const QImage& image = Open(300);
    const QColor gt3 = ToQColor(ClassColour({}, "GT3", 0)); // the first class given none
    const std::vector<std::pair<QColor, QColor>> marks = {
        {Yellow, Black}, {gt3, White}, {Yellow, Black}, {gt3, White}};
    const std::vector<QString> texts = {"LMP2", "GT3", "+12.500", "+12.500"};
    const int ascent = QFontMetrics(Window->font()).ascent();
    const int column = CLeft + Pos() + Name() + 7;
    for (int i = 0; i < 4; ++i) {
        const auto [fill, digit] = marks[static_cast<std::size_t>(i)];
        EXPECT_GT(CountOf(image, MarkBox(i), fill), MarkBox(i).width() * (R - 3) / 2) << i;
        EXPECT_GT(CountOf(image, MarkBox(i), digit), 0) << "the place in the class " << i;
        // Within the row's band, away from the texts of the rows around it and the lap counter.
        const QRect band(column, RowTop(i) + 2, 300 - column, R - 4);
        const QImage text = Expected(QSize(band.width(), R), Window->font(), [&](QPainter& p) {
            p.drawText(0, ascent, texts[static_cast<std::size_t>(i)]);
            p.drawText(0, ascent + 1, texts[static_cast<std::size_t>(i)]);
        });
        // The leader's row goes on with the lap counter, without its stop.
        const int counter = CounterCell().left() - column;
        EXPECT_EQ(image.copy(band).copy(0, 0, i == 0 ? counter : band.width(), band.height()),
                  text.copy(0, 2, i == 0 ? counter : band.width(), band.height()))
            << i;
    }
    EXPECT_EQ(image.copy(CounterCell()), CounterText(" [12/30]"));
    EXPECT_EQ(CountOf(image, image.rect(), ToQColor(GapColor(6.25f))), 0) << "no interval bars";
}

TEST_F(Stats1, NoBarsWhileTheLeaderHasNoLap) {
    std::vector<TSlot> cars{Car("Tom Rider", 1), Car("Bob Lee", 2), Car("Amy Fox", 3)};
    cars[1].TimeGapToPrev = 0.3f;
    cars[2].TimeGapToPrev = 0.3f;
    Feed(cars, "Race", 100.0, "Countdown");
    const QImage& image = Open(300);
    EXPECT_TRUE(Filled(image, Bar(1), Black));
    EXPECT_TRUE(Filled(image, Bar(2), Black));
    EXPECT_EQ(image.copy(CounterCell()), CounterText(" [0/30]"));
}

TEST_F(Stats1, SeparatorsEveryFiveRows) {
    static const char* const names[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K"};
    std::vector<TSlot> cars;
    for (int i = 0; i < 11; ++i) {
        cars.push_back(Car(names[i], i + 1));
    }
    Feed(cars, "Practice1", 100.0);
    const QImage& image = Open();
    const int nameRight = NameCell(0).right();
    for (int y : {RowTop(5) - 2, RowTop(5) - 1}) {
        EXPECT_TRUE(Filled(image, QRect(QPoint(CLeft + 1, y), QPoint(nameRight, y)), Silver));
        EXPECT_EQ(At(image, CLeft, y), Black);
        EXPECT_EQ(At(image, nameRight + 1, y), Black);
    }
    EXPECT_EQ(At(image, CLeft + 1, RowTop(10) - 2), White);
    EXPECT_EQ(At(image, nameRight, RowTop(10) - 1), White);
    EXPECT_EQ(At(image, CLeft + 1, RowTop(4) - 1), Black) << "no line above the 4th row";
}

TEST_F(Stats1, PositionMarks) {
    std::vector<TSlot> cars{Car("Ann", 2), Car("Ben", 1), Car("Cid", 3), Car("Don", 4),
                            Car("Eli", 5)};
    Feed(cars, "Practice1", 100.0);
    for (TSlot& car : cars) {
        car.LapDistanceTravelled += 500.0;
    }
    cars[0].Position = 1; // Ann takes the lead
    cars[1].Position = 3; // Ben drops two places: no mark outside a race
    cars[2].Position = 2; // Cid gains and improves: the arrow wins
    cars[2].BestLap = 80.0f;
    cars[3].BestLap = 81.0f;               // Don only improves
    cars[4].LapDistanceTravelled = 1005.0; // Eli crawls
    Feed(cars, "Practice1", 101.0);
    const QImage& image = Open();
    ASSERT_GE((Pos() - Digits()) / 2, 1) << "the glyph box must be narrower than the column";

    for (int i : {0, 1}) {
        EXPECT_EQ(At(image, GlyphBox(i).left(), GlyphBox(i).top()), White) << i;
        EXPECT_GT(CountOf(image, GlyphBox(i), Red), 0) << "red arrow " << i;
        EXPECT_EQ(At(image, CLeft, RowTop(i) + 2), Black) << "no red leader box " << i;
    }
    EXPECT_TRUE(Filled(image, MarkBox(2), Black));
    EXPECT_TRUE(Filled(image, GlyphBox(3), White)) << "blank white box";

    const int inset = qRound(Pos() / 9.0);
    const QRect slow = MarkBox(4).adjusted(inset, 0, -inset, 0);
    EXPECT_EQ(At(image, slow.left(), slow.top()), Yellow);
    EXPECT_EQ(At(image, slow.right(), slow.bottom()), Yellow);
    EXPECT_EQ(At(image, slow.left() - 1, slow.top()), Black);
    EXPECT_EQ(At(image, slow.right() + 1, slow.top()), Black);
    EXPECT_GT(CountOf(image, slow, Black), 0) << "the black !";
}

TEST_F(Stats1, SlowWinsOverTheLeaderBox) {
    std::vector<TSlot> cars{Car("Ann", 2), Car("Ben", 1)};
    Feed(cars, "Practice1", 100.0);
    const QImage& first = Open();
    // A leader without marks: red box with a white "1".
    EXPECT_EQ(At(first, CLeft, RowTop(0) + 2), Red);
    EXPECT_GT(CountOf(first, MarkBox(0), White), 0);

    cars[0].Position = 1;
    cars[0].BestLap = 80.0f;
    cars[1].Position = 2;
    cars[1].LapDistanceTravelled = 1500.0;
    Feed(cars, "Practice1", 101.0);
    Window->RedrawRequest();
    const QImage& image = Window->Bitmap();
    EXPECT_GT(CountOf(image, MarkBox(0), Yellow), 0);
    EXPECT_EQ(CountOf(image, MarkBox(0), Red), 0);
    EXPECT_EQ(CountOf(image, MarkBox(0), White), 0) << "no box, no 1";
}

TEST_F(Stats1, BestLapsWithAndWithoutMinutes) {
    std::vector<TSlot> cars{Car("Ann", 1), Car("Ben", 2), Car("Cid", 3, 3), Car("Don", 4, 1)};
    cars[0].BestLap = 75.5f;
    cars[1].BestLap = 59.25f;
    cars[2].BestLap = 83.456f;
    cars[2].LapDistanceTravelled = 2750.0;
    cars[3].LapDistanceTravelled = 2750.0;
    Feed(cars, "Qualify", 100.0);
    Config.Stats1DrawMinutes = false;
    const QImage& image = Open();
    const int left = CLeft + Pos() + Name() + 7;
    const auto check = [&](int i, const QString& text) {
        const QRect area(left, RowTop(i), image.width() - left, R);
        const QImage expected = Expected(area.size(), Window->font(), [&](QPainter& p) {
            const int ascent = QFontMetrics(Window->font()).ascent();
            p.drawText(0, ascent, text);
            p.drawText(0, ascent + 1, text);
        });
        EXPECT_EQ(image.copy(area), expected) << text.toStdString();
    };
    check(0, ":15.500");
    check(1, ":59.250");
    check(2, ":23.456 A5");
    check(3, " A5");
    Config.Stats1DrawMinutes = true;
    Window->RedrawRequest();
    check(0, "1:15.500");
    check(2, "1:23.456 A5");
}

TEST_F(Stats1, AChangedLapProgressRedrawsItsRowsAsAWholeDrawingWould) {
    std::vector<TSlot> cars{Car("Wendy Wolf", 1, 3), Car("Mo Wu", 2, 3), Car("Jay Gray", 3, 3),
                            Car("Quy Yg", 4, 3)};
    for (std::size_t i = 0; i < cars.size(); ++i) {
        cars[i].BestLap = 83.456f + static_cast<float>(i);
        cars[i].LapDistanceTravelled = 2750.0;
    }
    Feed(cars, "Qualify", 100.0);
    Open();
    QImage logo(159, 2 * R, QImage::Format_RGB32); // over the column, below the rows
    logo.fill(QColor(255, 0, 255));
    Window->SetLogo(logo);
    Window->RedrawRequest();

    // Every car moves on (a car that stands is marked slow); only the first two reach a new
    // tenth of the lap.
    cars[0].LapDistanceTravelled = cars[1].LapDistanceTravelled = 3400.0;
    cars[2].LapDistanceTravelled = cars[3].LapDistanceTravelled = 3250.0;
    Feed(cars, "Qualify", 101.0);
    Window->RedrawRequest();
    const QRect band = Window->LastInvalidatedBand();
    EXPECT_EQ(band.top(), RowTop(0));
    EXPECT_EQ(band.bottom(), RowTop(2) + R - 1) << "the changed rows and the one below";
    EXPECT_GT(band.left(), CLeft + Pos() + Name());
    QImage whole(Window->Bitmap().size(), QImage::Format_RGB32);
    Window->DrawRows(whole);
    EXPECT_EQ(Window->Bitmap(), whole);
}

TEST_F(Stats1, NoNameColumnMovesTheBarsLeft) {
    std::vector<TSlot> cars{Car("Tom Rider", 1, 5), Car("Bob Lee", 2, 5)};
    cars[1].TimeGapToPrev = 6.25f;
    Feed(cars, "Race", 100.0);
    Config.Stats1NameLength = 0;
    const QImage& image = Open();
    EXPECT_EQ(Name(), 2);
    const QRect bar = Bar(1);
    EXPECT_EQ(bar.left(), CLeft + Pos() + 8);
    EXPECT_TRUE(Filled(image, bar, QColor(0, 255, 127)));
    EXPECT_EQ(At(image, bar.left() - 1, RowTop(1)), Black);
}

TEST_F(Stats1, ShiftArrowResizesAndArrowMoves) {
    TFormStats1 window(TTowerSources{Players, Config});
    window.setGeometry(100, 100, 159, 10);
    QKeyEvent shiftUp(QEvent::KeyPress, Qt::Key_Up, Qt::ShiftModifier);
    QCoreApplication::sendEvent(&window, &shiftUp);
    EXPECT_EQ(window.geometry(), QRect(100, 100, 159, 9));
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::ControlModifier);
    QCoreApplication::sendEvent(&window, &left);
    EXPECT_EQ(window.geometry(), QRect(99, 100, 159, 9)) << "Ctrl changes nothing";
}

TEST_F(Stats1, LogoSitsAboveTheBottomEdge) {
    const QImage& image = Open();
    const int bottom = image.height() - 3; // C.bottom
    QImage logo(20, 10, QImage::Format_RGB32);
    logo.fill(QColor(255, 0, 255));
    Window->SetLogo(logo);
    EXPECT_EQ(At(image, CLeft, bottom - 2), Black) << "shows from the next drawing";
    Window->RedrawRequest();
    EXPECT_EQ(At(image, CLeft, bottom - 2), QColor(255, 0, 255));
    EXPECT_EQ(At(image, CLeft + 19, bottom - 11), QColor(255, 0, 255));
    EXPECT_EQ(At(image, CLeft, bottom - 1), Black);
    EXPECT_EQ(At(image, CLeft, bottom - 12), Black);
    EXPECT_EQ(At(image, CLeft - 1, bottom - 2), Black);

    QImage tall(5, 1000, QImage::Format_RGB32);
    tall.fill(QColor(255, 0, 255));
    Window->SetLogo(tall);
    Window->RedrawRequest();
    EXPECT_EQ(At(image, CLeft, 0), QColor(255, 0, 255)) << "cut at the top";
}

TEST_F(Stats1, RedrawBandCoversVanishedRows) {
    Feed({Car("A", 1), Car("B", 2), Car("C", 3), Car("D", 4), Car("E", 5)}, "Practice1", 100.0);
    const QImage& image = Open();
    const int width = Window->width(); // best laps reach the edge
    EXPECT_EQ(Window->LastInvalidatedBand(), QRect(0, 5, width, 5 * R + 1));
    EXPECT_FALSE(Filled(image, NameCell(4), Black));

    // A new file: fewer drivers. The request arrives posted, as from the reload cycle.
    Players = std::make_unique<TPlayers>();
    Feed({Car("X", 1), Car("Y", 2)}, "Practice1", 100.0);
    PostMessage(Window.get(), EventRedraw);
    QCoreApplication::sendPostedEvents(Window.get(), EventRedraw);
    EXPECT_EQ(Window->Rows.size(), 2u);
    EXPECT_EQ(Window->LastInvalidatedBand(), QRect(0, 5, width, 5 * R + 1));
    EXPECT_TRUE(Filled(image, NameCell(4), Black));
    Feed({Car("X", 1), Car("Y", 2, 1)}, "Practice1", 101.0);
    Window->RedrawRequest();
    EXPECT_EQ(Window->LastInvalidatedBand(), QRect(0, 5, width, 2 * R + 1));
}

TEST_F(Stats1, ARedrawDrawsOnlyWhatTheReadingChanged) {
    std::vector<TSlot> cars{Car("Tom Rider", 1, 12), Car("Bob Lee", 2, 12), Car("Amy Fox", 3, 12)};
    cars[1].TimeGapToPrev = 6.25f;
    cars[2].TimeGapToPrev = 0.4f;
    Feed(cars, "Race", 100.0);
    Open(300);
    QImage logo(300, 3 * R, QImage::Format_RGB32); // over the bars' column too
    logo.fill(QColor(255, 0, 255));
    Window->SetLogo(logo);
    Window->RedrawRequest();
    int drawn = 0;
    QObject::connect(Window.get(), &TFormStats1::PictureChanged, [&] { ++drawn; });
    const auto drawnWhole = [&] {
        QImage whole(Window->Bitmap().size(), QImage::Format_RGB32);
        Window->DrawRows(whole);
        return whole;
    };

    // The cars moved: nothing the tower shows.
    for (TSlot& car : cars) {
        car.LapDistanceTravelled = 1500.0;
    }
    Feed(cars, "Race", 101.0);
    Window->RedrawRequest();
    EXPECT_EQ(drawn, 0);

    // Two gaps changed colour: only the bars' column is drawn, and the picture is the one a
    // whole drawing gives.
    for (TSlot& car : cars) {
        car.LapDistanceTravelled = 2000.0;
    }
    cars[1].TimeGapToPrev = 3.0f;
    cars[2].TimeGapToPrev = 9.0f;
    Feed(cars, "Race", 102.0);
    Window->RedrawRequest();
    EXPECT_EQ(drawn, 1);
    EXPECT_EQ(Window->LastInvalidatedBand().width(), Digits() / 3);
    EXPECT_TRUE(Filled(Window->Bitmap(), Bar(2), ToQColor(GapColor(9.0f))));
    EXPECT_EQ(Window->Bitmap(), drawnWhole());

    cars[0].Laps = 13; // the leader's lap counter
    Feed(cars, "Race", 103.0);
    Window->RedrawRequest();
    EXPECT_EQ(drawn, 2);
    EXPECT_GT(Window->LastInvalidatedBand().width(), Digits());

    Window->hide(); // a hidden tower takes a new font without drawing; the next request draws
    Window->ApplyFont(20, true);
    Window->RedrawRequest();
    EXPECT_EQ(drawn, 3);
    EXPECT_EQ(Window->Bitmap(), drawnWhole());
}

} // namespace
