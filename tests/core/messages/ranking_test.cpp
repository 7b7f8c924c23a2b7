#include "core/messages/ranking.h"

#include "tools/headless/headlesswindows.h"

#include <gtest/gtest.h>

#include "tests/support/carslot.h"

namespace {

TSlot CarWithBest(std::string driver, int32_t position, float best = -1.0f) {
    return CarSlot(std::move(driver), position, {.Laps = 12, .BestLap = best});
}

TPlayers Read(const std::vector<TSlot>& slots) {
    TPlayers players;
    players.Merge(slots);
    TGameSession session;
    session.Session = "Race";
    players.SetSession(session);
    return players;
}

/// Title entry first, then one line per entry.
std::vector<std::string> Entries(const TRaceEventList& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i) {
        const TRaceEvent& e = list.Items(i);
        out.push_back(i == 0 ? "title:" + e.Title + "|" + e.Text : e.Title + "|" + e.Text);
        EXPECT_EQ(e.Duration, 0);
    }
    return out;
}

TEST(GapRanking, LeaderLapsLappedTimesAndStatuses) {
    std::vector<TSlot> cars = {CarWithBest("Tom Rider", 1), CarWithBest("BRAVO", 2),
                               CarWithBest("CHARLIE", 3),   CarWithBest("DELTA", 4),
                               CarWithBest("ECHO", 5),      CarWithBest("FOXTROT", 6)};
    cars[1].TimeGapToLider = 3.456f;
    cars[2].TimeGapToLider = 62.345f;
    cars[3].LapGapToLider = 1;
    cars[3].TimeGapToLider = 95.0f;
    cars[4].TimeGapToLider = -1.0f; // not given in the file
    cars[5].FinishStatus = "";
    TPlayers players = Read(cars);
    THeadlessWindows windows;
    TRaceEventList list;
    ComposeGapToLeader(players, 5, windows, list);
    EXPECT_EQ(Entries(list),
              (std::vector<std::string>{"title:Gap|", "|#1# T.RID  12Laps", "|#2# BRAVO  +3.456",
                                        "|#3# CHARL  +1:02.345", "|#4# DELTA  +1L",
                                        "|#5# ECHO  +---", "|#6# FOXTR  "}));
    EXPECT_TRUE(windows.Ranking);

    cars[0].FinishStatus = "Finished";
    cars[1].FinishStatus = "DNF";
    players.Merge(cars);
    ComposeGapToLeader(players, 5, windows, list);
    ASSERT_EQ(list.Count(), 7) << "the list is refilled, not appended to";
    EXPECT_EQ(list.Items(1).Text, "#1# T.RID  Finished");
    EXPECT_EQ(list.Items(2).Text, "#2# BRAVO  DNF");
}

TEST(ClassStrips, EachClassIsTaggedAndRankedWithinItself) {
    const auto car = [](const char* driver, int32_t position, const char* cls, float gap,
                        float best) {
        return CarSlot(driver, position,
                       {.Laps = 12, .BestLap = best, .VehicleClass = cls, .TimeGapToLider = gap});
    };
    TPlayers players = Read({car("PROTO A", 1, "LMP2", 0, 81.0f), car("GT ONE", 2, "GT3", 4, 92.0f),
                             car("PROTO B", 3, "LMP2", 6, 80.5f),
                             car("GT TWO", 4, "GT3", 9.5f, 91.0f), car("LONE", 5, "", 20, -1.0f)});
    THeadlessWindows windows;
    TRaceEventList list;
    ComposeByClass(TRankingKind::GapToLeader, players, 5, windows, list);
    EXPECT_EQ(Entries(list),
              (std::vector<std::string>{"title:Gap|", "LMP2|", "|#1# P.A  12Laps",
                                        "|#2# P.B  +6.000", "GT3|", "|#1# G.ONE  12Laps",
                                        "|#2# G.TWO  +5.500", "-|", "|#1# LONE  12Laps"}));
    EXPECT_TRUE(windows.Ranking);
    ComposeByClass(TRankingKind::BestLaps, players, 5, windows, list);
    EXPECT_EQ(Entries(list),
              (std::vector<std::string>{"title:Best Lap|", "LMP2|", "|#2# P.B  1:20.500",
                                        "|#1# P.A  1:21.000", "GT3|", "|#2# G.TWO  1:31.000",
                                        "|#1# G.ONE  1:32.000", "-|"}));
}

TEST(GapRanking, IntervalsUseTheCarAhead) {
    std::vector<TSlot> cars = {CarWithBest("ALPHA", 1), CarWithBest("BRAVO", 2),
                               CarWithBest("CHARLIE", 3)};
    cars[1].LapGapToLider = 2; // ignored here
    cars[1].TimeGapToPrev = 0.75f;
    cars[2].LapGapToPrev = 1;
    cars[2].TimeGapToLider = 4.0f;
    TPlayers players = Read(cars);
    THeadlessWindows windows;
    TRaceEventList list;
    ComposeIntervals(players, 5, windows, list);
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"title:Gap(Interval)|", "|#1# ALPHA  12Laps",
                                                       "|#2# BRAVO  +0.750", "|#3# CHARL  +1L"}));
}

TEST(PositionWalks, StopAtTheNumberOfSeenDrivers) {
    std::vector<TSlot> cars = {CarWithBest("DELTA", 4, 91.0f), CarWithBest("ALPHA", 1, 92.0f),
                               CarWithBest("BRAVO", 2, 93.0f), CarWithBest("GONE", 3, 80.0f)};
    cars[0].Pitstops = 2;
    cars[2].Pitstops = 1;
    TPlayers players = Read(cars);
    cars.pop_back(); // GONE leaves: Seen drivers now hold positions 1, 2 and 4
    players.Merge(cars);
    THeadlessWindows windows;
    TRaceEventList list;

    ComposePitStops(players, 5, windows, list);
    EXPECT_EQ(Entries(list),
              (std::vector<std::string>{"title:Pit Stops|", "|ALPHA  0", "|BRAVO  1"}));
    ComposeGapToLeader(players, 5, windows, list);
    EXPECT_EQ(list.Count(), 3);
    ComposeIntervals(players, 5, windows, list);
    EXPECT_EQ(list.Count(), 3);

    ComposeBestLaps(players, 5, windows, list);
    EXPECT_EQ(Entries(list),
              (std::vector<std::string>{"title:Best Lap|", "|#4# DELTA  1:31.000",
                                        "|#1# ALPHA  1:32.000", "|#2# BRAVO  1:33.000"}))
        << "the box shows the race position, and the absent record is left out";
}

TEST(BestLapRanking, TopTenOrWhatIsTimed) {
    std::vector<TSlot> cars;
    for (int p = 1; p <= 12; ++p) {
        cars.push_back(CarWithBest("D" + std::to_string(p), p, 100.0f - static_cast<float>(p)));
    }
    THeadlessWindows windows;
    TRaceEventList list;
    TPlayers twelve = Read(cars);
    ComposeBestLaps(twelve, 5, windows, list);
    ASSERT_EQ(list.Count(), 11);
    EXPECT_EQ(list.Items(0).Title, "Best Lap Top10");
    EXPECT_EQ(list.Items(0).Text, "");
    EXPECT_EQ(list.Items(1).Text, "#12# D12  1:28.000");
    EXPECT_EQ(list.Items(10).Text, "#3# D3  1:37.000");

    std::vector<TSlot> mixed = {CarWithBest("U1", 1, -1.0f), CarWithBest("T1", 2, 95.5f),
                                CarWithBest("U2", 3, 0.0f),  CarWithBest("T2", 4, 94.25f),
                                CarWithBest("U3", 5, -1.0f), CarWithBest("U4", 6, 0.0f),
                                CarWithBest("T3", 7, 96.0f), CarWithBest("U5", 8, -1.0f)};
    TPlayers partly = Read(mixed);
    ComposeBestLaps(partly, 5, windows, list);
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"title:Best Lap|", "|#4# T2  1:34.250",
                                                       "|#2# T1  1:35.500", "|#7# T3  1:36.000"}))
        << "a best lap of 0 is no time and does not cut the ranking short";

    TPlayers nobody;
    ComposeBestLaps(nobody, 5, windows, list);
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"title:Best Lap|"}));
}

TEST(AverageRanking, ThreeLapMeanAndNoAverageLast) {
    std::vector<TSlot> cars = {CarWithBest("SHORT", 1), CarWithBest("STEADY", 2),
                               CarWithBest("QUICK", 3)};
    TPlayers players = Read(cars);
    const std::vector<std::vector<float>> laps = {
        {0.0f, 80.0f, 80.0f}, {90.0f, 91.0f, 92.0f}, {88.0f, 89.0f, 93.0f}};
    for (std::size_t lap = 0; lap < 3; ++lap) {
        for (std::size_t car = 0; car < cars.size(); ++car) {
            cars[car].Laps += 1;
            cars[car].LastLap = laps[car][lap];
        }
        players.Merge(cars);
    }
    THeadlessWindows windows;
    TRaceEventList list;
    ComposeAverageLaps(players, 5, windows, list);
    EXPECT_EQ(Entries(list),
              (std::vector<std::string>{"title:Laptime(3Laps Avg)|", "|#3# QUICK  1:30.000",
                                        "|#2# STEAD  1:31.000", "|#1# SHORT  ---"}));
    EXPECT_TRUE(windows.Ranking);
}

TEST(RankingButtons, SecondPressOnlyEndsTheStrip) {
    THeadlessWindows windows;
    int composed = 0;
    const auto compose = [&] {
        ++composed;
        windows.SetRankingMode(true);
    };
    PressRankingButton(windows, compose);
    EXPECT_EQ(composed, 1);
    EXPECT_TRUE(windows.Ranking);

    PressRankingButton(windows, compose); // another button while the strip is shown
    EXPECT_EQ(composed, 1);
    EXPECT_FALSE(windows.Ranking);
    EXPECT_EQ(windows.RankingSwitchesOff, 1);

    PressRankingButton(windows, compose);
    EXPECT_EQ(composed, 2);
    EXPECT_TRUE(windows.Ranking);
}

} // namespace
