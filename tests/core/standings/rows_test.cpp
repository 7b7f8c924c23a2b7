#include "core/standings/rows.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr uint32_t Ramp(uint32_t red, uint32_t green, uint32_t blue) {
    return 0x02000000u | blue << 16 | green << 8 | red;
}

/// Session values as TPlayers holds them after two readings `delta` (0 or more) seconds apart.
void SetSession(TPlayers& players, const std::string& session, const std::string& phase,
                double trackLength, double delta) {
    TGameSession values;
    values.Session = session;
    values.GamePhase = phase;
    values.TrackLength = trackLength;
    // Time moves forward so that the second reading's delta is taken as given.
    values.SessionTime = players.GameSession().SessionTime + 1000.0;
    players.SetSession(values);
    values.SessionTime += delta;
    players.SetSession(values);
}

/// A Seen record with a previous reading at the same position; returns its index.
int AddCar(TPlayers& players, const std::string& driver, int32_t position) {
    const int index = players.AddPlayer();
    TPlayer& car = players.Item(index);
    car.Driver = driver;
    car.Position = {position, position, position, position, position};
    car.Flags = PlayerFlag::Seen;
    car.HistoryCount = 1;
    return index;
}

std::vector<TStats1Data> Rows(const TPlayers& players) {
    std::vector<TStats1Data> rows;
    BuildRows(players, 5, rows);
    return rows;
}

} // namespace

TEST(GapColor, RampValues) {
    EXPECT_EQ(GapColor(0.25f), Ramp(255, 0, 0));
    EXPECT_EQ(GapColor(5.0f), Ramp(0, 255, 0));
    EXPECT_EQ(GapColor(6.25f), Ramp(0, 255, 127));
    EXPECT_EQ(GapColor(7.5f), Ramp(0, 255, 255));
    EXPECT_EQ(GapColor(8.75f), Ramp(0, 127, 255));
    EXPECT_EQ(GapColor(10.0f), Ramp(0, 0, 255));
    EXPECT_EQ(GapColor(12.5f), Ramp(0, 0, 127));
    EXPECT_EQ(GapColor(15.5f), Ramp(0, 0, 0));
    EXPECT_EQ(GapColor(65535.0f), Ramp(0, 0, 0));
    EXPECT_EQ(GapColor(-1.0f), Ramp(255, 0, 0));
    // Between red and yellow, green rises while red stays full.
    EXPECT_EQ(GapColor(1.35f), Ramp(255, 127, 0));
    EXPECT_EQ(GapColor(std::nanf("")), Ramp(0, 0, 0));
}

TEST(BuildRows, PositionOrderSkipsGapsAndAbsentCars) {
    TPlayers players;
    SetSession(players, "Practice1", "GreenFlag", 5000.0, 0.0);
    AddCar(players, "Dan Four", 4);
    const int leader = AddCar(players, "Tom Rider", 1);
    AddCar(players, "Bob Lee", 2);
    const int gone = AddCar(players, "Amy Fox", 3);
    players.Item(gone).Flags = PlayerFlag::Absent;
    TPlayer& tom = players.Item(leader);
    tom.Laps = 7;
    tom.BestLap = 83.5f;
    tom.Pitstops = 2;

    // Rows left over from a longer build are replaced, not merged into.
    std::vector<TStats1Data> rows(6, TStats1Data{"stale", 1, 2, 3, 4, 5, true, 0xFFFF, 9});
    BuildRows(players, 5, rows);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].Name, "T.RID");
    EXPECT_EQ(rows[1].Name, "B.LEE");
    EXPECT_EQ(rows[2].Name, "D.FOU");
    EXPECT_EQ(rows[0].Laps, 7);
    EXPECT_EQ(rows[0].BestLap, 83.5);
    EXPECT_EQ(rows[0].Pitstops, 2);
    for (const TStats1Data& row : rows) {
        EXPECT_EQ(row.Marks, mkFilled);
    }

    SetSession(players, "Practice1", "GreenFlag", 5000.0, 0.0);
    players.Item(leader).Flags = PlayerFlag::Absent;
    players.Item(gone).Flags = PlayerFlag::Absent;
    AddCar(players, "Nobody", 0);
    rows = Rows(players);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Name, "B.LEE");
}

TEST(BuildRows, BrokenPositionsEndWithFilledRowsOnly) {
    TPlayers players;
    SetSession(players, "Race", "GreenFlag", 5000.0, 1.0);
    AddCar(players, "Far Away", 2000000000);
    AddCar(players, "First One", 1);
    AddCar(players, "Second One", 1);
    AddCar(players, "Zero Pos", 0);
    AddCar(players, "Minus Pos", -5);
    AddCar(players, "Top End", INT32_MAX);
    const std::vector<TStats1Data> rows = Rows(players);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].Name, "F.ONE");
    EXPECT_EQ(rows[1].Name, "F.AWA");
    EXPECT_EQ(rows[2].Name, "T.END");
    for (const TStats1Data& row : rows) {
        EXPECT_TRUE(row.Marks & mkFilled);
    }

    TPlayers none;
    std::vector<TStats1Data> empty(2);
    BuildRows(none, 5, empty);
    EXPECT_TRUE(empty.empty());
}

TEST(BuildRows, RaceIntervalAndColour) {
    TPlayers players;
    SetSession(players, "Race", "GreenFlag", 5000.0, 0.0);
    const int lapped = AddCar(players, "Lapped", 1);
    players.Item(lapped).LapGapToPrev = 1;
    players.Item(lapped).TimeGapToPrev[0] = 0.3f;
    const int close = AddCar(players, "Close", 2);
    players.Item(close).TimeGapToPrev[0] = 6.25f;
    const int unknown = AddCar(players, "Unknown", 3);
    players.Item(unknown).TimeGapToPrev[0] = -1.0f;
    players.Item(unknown).LapGapToPrev = -1;

    const std::vector<TStats1Data> rows = Rows(players);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].Interval, 65535.0f);
    EXPECT_EQ(rows[0].IntervalColor, Ramp(0, 0, 0));
    EXPECT_EQ(rows[1].Interval, 6.25f);
    EXPECT_EQ(rows[1].IntervalColor, Ramp(0, 255, 127));
    EXPECT_EQ(rows[2].Interval, -1.0f);
    EXPECT_EQ(rows[2].IntervalColor, Ramp(255, 0, 0));
}

TEST(BuildRows, OutsideRacesNoIntervalAndNoLostMark) {
    TPlayers players;
    SetSession(players, "Qualify", "Countdown", 5000.0, 1.0);
    const int dropped = AddCar(players, "Dropped", 6);
    players.Item(dropped).Position[1] = 4;
    players.Item(dropped).LapGapToPrev = 2;
    players.Item(dropped).TimeGapToPrev[0] = 0.4f;
    const int climbed = AddCar(players, "Climbed", 4);
    players.Item(climbed).Position[1] = 5;
    players.Item(climbed).Flags |= PlayerFlag::BestLapImproved;

    const std::vector<TStats1Data> rows = Rows(players);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Marks, mkFilled | mkGained | mkBestImproved);
    EXPECT_EQ(rows[1].Marks, mkFilled);
    for (const TStats1Data& row : rows) {
        EXPECT_EQ(row.Interval, -1.0f);
        EXPECT_EQ(row.IntervalColor, 0x1FFFFFFFu);
    }
}

TEST(BuildRows, RacePositionChanges) {
    TPlayers players;
    SetSession(players, "Race", "Countdown", 5000.0, 1.0);
    const int oneDown = AddCar(players, "One Down", 5);
    players.Item(oneDown).Position[1] = 4;
    const int twoDown = AddCar(players, "Two Down", 6);
    players.Item(twoDown).Position[1] = 4;
    const int oneUp = AddCar(players, "One Up", 4);
    players.Item(oneUp).Position[1] = 5;
    players.Item(oneUp).Flags |= PlayerFlag::BestLapImproved;
    const int topEnd = AddCar(players, "Top End", INT32_MAX);
    players.Item(topEnd).Position[1] = INT32_MAX;

    const std::vector<TStats1Data> rows = Rows(players);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].Marks, mkFilled | mkGained); // no best-lap mark in a race
    EXPECT_EQ(rows[1].Marks, mkFilled);
    EXPECT_EQ(rows[2].Marks, mkFilled | mkLost);
    EXPECT_EQ(rows[3].Marks, mkFilled);
}

TEST(BuildRows, FirstReadingGetsNoChangeMarks) {
    TPlayers players;
    SetSession(players, "Practice1", "GreenFlag", 6000.0, 1.0);
    const int fresh = AddCar(players, "Fresh", 1);
    TPlayer& car = players.Item(fresh);
    car.HistoryCount = 0;
    car.Position[1] = 5;
    car.Flags |= PlayerFlag::BestLapImproved;
    car.Laps = 2;
    car.LapDistanceTravelled = {1000.0, 1000.0, 0, 0, 0};
    car.FinishStatus = "Finished";

    const std::vector<TStats1Data> rows = Rows(players);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Marks, mkFilled | mkFinished);

    players.Item(fresh).HistoryCount = 1;
    players.Item(fresh).Position[1] = 1;
    EXPECT_EQ(Rows(players)[0].Marks, mkFilled | mkFinished | mkBestImproved | mkSlow);
}

TEST(BuildRows, SlowCarTest) {
    TPlayers players;
    SetSession(players, "Race", "GreenFlag", 6000.0, 1.0);
    auto addMoving = [&](const std::string& name, int32_t position, int32_t laps, double before,
                         double now) {
        const int index = AddCar(players, name, position);
        players.Item(index).Laps = laps;
        players.Item(index).LapDistanceTravelled = {now, before, 0, 0, 0};
        return index;
    };
    addMoving("Wraps Over", 1, 3, 5900.0, 20.0);
    addMoving("Crawls On", 2, 3, 1000.0, 1010.0);
    const int finished = addMoving("Done Now", 3, 3, 1000.0, 1005.0);
    players.Item(finished).FinishStatus = "Finished";
    const int pits = addMoving("In Pits", 4, 3, 1000.0, 1000.0);
    players.Item(pits).InPits = true;
    const int dnf = addMoving("Retired", 5, 3, 1000.0, 1000.0);
    players.Item(dnf).FinishStatus = "DNF";
    const int dq = addMoving("Thrown Out", 6, 3, 1000.0, 1000.0);
    players.Item(dq).FinishStatus = "DQ";
    addMoving("On Grid", 7, 0, 250.0, 250.0);
    addMoving("Past Grid", 8, 0, 300.0, 300.0);
    addMoving("Fast One", 9, 3, 1000.0, 1013.5);

    std::vector<TStats1Data> rows = Rows(players);
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_FALSE(rows[0].Marks & mkSlow);
    EXPECT_TRUE(rows[1].Marks & mkSlow);
    EXPECT_EQ(rows[2].Marks, mkFilled | mkFinished | mkSlow);
    EXPECT_EQ(rows[3].Marks, mkFilled | mkInPits);
    EXPECT_EQ(rows[4].Marks, mkFilled | mkDnf);
    EXPECT_EQ(rows[5].Marks, mkFilled | mkDq);
    EXPECT_FALSE(rows[6].Marks & mkSlow);
    EXPECT_TRUE(rows[7].Marks & mkSlow);
    EXPECT_FALSE(rows[8].Marks & mkSlow);

    // Away from the green flag, or with no session time passed, nobody is slow.
    SetSession(players, "Race", "FullCourseYellow", 6000.0, 1.0);
    for (const TStats1Data& row : Rows(players)) {
        EXPECT_FALSE(row.Marks & mkSlow) << row.Name;
    }
    SetSession(players, "Race", "GreenFlag", 6000.0, 0.0);
    for (const TStats1Data& row : Rows(players)) {
        EXPECT_FALSE(row.Marks & mkSlow) << row.Name;
    }
    // Outside a race a car still on its first lap is judged too.
    SetSession(players, "Practice1", "GreenFlag", 6000.0, 1.0);
    rows = Rows(players);
    EXPECT_TRUE(rows[6].Marks & mkSlow);
}

TEST(BuildRows, TimedLapAndLapTenths) {
    TPlayers players;
    SetSession(players, "Race", "Countdown", 5500.0, 0.0);
    const int neverPitted = AddCar(players, "Never Pitted", 1);
    players.Item(neverPitted).Laps = 1;
    players.Item(neverPitted).LapDistanceTravelled[0] = 2750.0;
    const int outLap = AddCar(players, "Out Lap", 2);
    players.Item(outLap).Laps = 3;
    players.Item(outLap).PitExitLap = 3;
    players.Item(outLap).LapDistanceTravelled[0] = -1.0;
    const int inPits = AddCar(players, "In Pits", 3);
    players.Item(inPits).Laps = 4;
    players.Item(inPits).InPits = true;
    players.Item(inPits).LapDistanceTravelled[0] = 5500.0 * 30; // 300 tenths: low byte 44
    const int backwards = AddCar(players, "Backwards", 4);
    players.Item(backwards).LapDistanceTravelled[0] = -1000.0; // Trunc(-1.8) = -1: low byte
    const int huge = AddCar(players, "Huge", 5);
    players.Item(huge).LapDistanceTravelled[0] = 1e300;

    std::vector<TStats1Data> rows = Rows(players);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_TRUE(rows[0].TimedLap);
    EXPECT_FALSE(rows[1].TimedLap);
    EXPECT_FALSE(rows[2].TimedLap);
    EXPECT_FALSE(rows[3].TimedLap);
    EXPECT_EQ(rows[0].LapTenths, 5);
    EXPECT_EQ(rows[1].LapTenths, 0);
    EXPECT_EQ(rows[2].LapTenths, 44);
    EXPECT_EQ(rows[3].LapTenths, 255);
    EXPECT_EQ(rows[4].LapTenths, 0);

    // Without a track length the ratio is meaningless; the build still succeeds.
    SetSession(players, "Race", "Countdown", 0.0, 0.0);
    players.Item(outLap).LapDistanceTravelled[0] = 0.0;
    rows = Rows(players);
    ASSERT_EQ(rows.size(), 5u);
    for (const TStats1Data& row : rows) {
        EXPECT_EQ(row.LapTenths, 0) << row.Name;
    }
}

TEST(CompareViews, OnlyWhatTheTowerShowsCounts) {
    TStats1Data row;
    row.Name = "A";
    row.IntervalColor = GapColor(2.0f);
    row.Laps = 3;
    const TTowerView race{{row, row}, true, 30, 0, true, false, {}};
    TTowerView later = race;
    later.Rows[1].Interval = 2.01f;
    later.Rows[1].Laps = 4; // not the leader
    later.Rows[0].LapTenths = 7;
    later.Rows[0].BestLap = 90.0;
    EXPECT_EQ(CompareViews(race, later), TTowerChange::None);
    later.Rows[1].IntervalColor = GapColor(2.5f);
    EXPECT_EQ(CompareViews(race, later), TTowerChange::Bars);
    later.Rows[0].Laps = 4;
    EXPECT_EQ(CompareViews(race, later), TTowerChange::All) << "the leader's lap counter";
    TTowerView classes = race;
    classes.ClassView = true;
    classes.Classes = {{0xFF, 1, {}, "GT3"}, {0xFF, 2, {0, 0.5f}, ""}};
    EXPECT_EQ(CompareViews(race, classes), TTowerChange::All);
    TTowerView closer = classes;
    closer.Classes[1].ToLeader.Time = 0.4f;
    EXPECT_EQ(CompareViews(classes, closer), TTowerChange::All) << "a class gap is text";
    closer = classes;
    closer.Rows[1].IntervalColor = GapColor(9.0f);
    EXPECT_EQ(CompareViews(classes, closer), TTowerChange::None) << "the class view has no bars";

    // Given colours match without regard to case; other classes take the palette's in order.
    const TClassColours given{{"lmp2", 0x0000FF}};
    EXPECT_EQ(ClassColour(given, "LMP2", 3), 0x0000FFu);
    EXPECT_NE(ClassColour(given, "GT3", 1), ClassColour(given, "GT4", 2));

    const TTowerView practice{{row}, false, 30, 0, true, false, {}};
    TTowerView moved = practice;
    moved.Rows[0].LapTenths = 4; // not on a timed lap
    moved.Rows[0].Laps = 9;
    EXPECT_EQ(CompareViews(practice, moved), TTowerChange::None);
    moved.Rows[0].TimedLap = true;
    EXPECT_EQ(CompareViews(practice, moved), TTowerChange::BestLaps);
    EXPECT_EQ(ChangedBestLapRows(practice, moved), std::vector<bool>{true});
    moved.Rows[0].Marks |= mkInPits;
    EXPECT_EQ(CompareViews(practice, moved), TTowerChange::All);
    moved = practice;
    moved.DrawMinutes = false;
    EXPECT_EQ(CompareViews(practice, moved), TTowerChange::All);
}
