#include "core/live/laporders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

TPlayer WithLaps(float a, float b, float c, float older = 50.0f) {
    TPlayer player;
    player.LastLap = {a, b, c, older, older};
    return player;
}

TPlayer WithBest(float best) {
    TPlayer player;
    player.BestLap = best;
    return player;
}

TPlayer AtPosition(int32_t position, bool seen) {
    TPlayer player;
    player.Position[0] = position;
    player.Flags = seen ? PlayerFlag::Seen : PlayerFlag::Absent;
    return player;
}

} // namespace

TEST(LapOrders, AverageOfTheThreeLatestLaps) {
    EXPECT_EQ(AverageLap(WithLaps(90.0f, 91.0f, 92.0f)), 91.0f);
    EXPECT_EQ(AverageLap(WithLaps(90.0f, 91.0f, 0.0f)), -1.0f);
    EXPECT_EQ(AverageLap(WithLaps(0.0f, 91.0f, 92.0f)), -1.0f);
    EXPECT_EQ(AverageLap(WithLaps(90.0f, -1.0f, 92.0f)), -1.0f);
    EXPECT_EQ(AverageLap(WithLaps(90.0f, 91.0f, std::nanf(""))), -1.0f);
    EXPECT_EQ(AverageLap(WithLaps(0.0f, 0.0f, 0.0f)), -1.0f);
}

TEST(LapOrders, BestLapOrder) {
    EXPECT_LT(CompareBestLap(WithBest(0.0f), WithBest(60.0f)), 0);
    EXPECT_GT(CompareBestLap(WithBest(91.0f), WithBest(90.5f)), 0);
    EXPECT_EQ(CompareBestLap(WithBest(90.5f), WithBest(90.5f)), 0);
    EXPECT_GT(CompareBestLap(WithBest(std::nanf("")), WithBest(90.0f)), 0);
    EXPECT_LT(CompareBestLap(WithBest(90.0f), WithBest(-1.0f)), 0);
    EXPECT_EQ(CompareBestLap(WithBest(-1.0f), WithBest(std::nanf(""))), 0);
    // A tiny difference still orders; it is not lost to integer truncation.
    EXPECT_LT(CompareBestLap(WithBest(90.001f), WithBest(90.002f)), 0);

    std::vector<TPlayer> records{WithBest(std::nanf("")), WithBest(90.0f), WithBest(-1.0f),
                                 WithBest(0.0f), WithBest(85.0f)};
    std::sort(records.begin(), records.end(),
              [](const TPlayer& a, const TPlayer& b) { return CompareBestLap(a, b) < 0; });
    EXPECT_EQ(records[0].BestLap, 0.0f);
    EXPECT_EQ(records[1].BestLap, 85.0f);
    EXPECT_EQ(records[2].BestLap, 90.0f);
    EXPECT_FALSE(records[3].BestLap >= 0.0f);
    EXPECT_FALSE(records[4].BestLap >= 0.0f);
}

TEST(LapOrders, AverageLapOrder) {
    const TPlayer none = WithLaps(90.0f, 90.0f, 0.0f);
    const TPlayer slow = WithLaps(95.0f, 95.0f, 95.0f);
    const TPlayer quick = WithLaps(80.0f, 81.0f, 82.0f);
    EXPECT_LT(CompareAverageLap(quick, slow), 0);
    EXPECT_GT(CompareAverageLap(none, slow), 0);
    EXPECT_EQ(CompareAverageLap(none, WithLaps(std::nanf(""), 1.0f, 1.0f)), 0);
}

TEST(LapOrders, PositionOrderPutsAbsentRecordsLast) {
    EXPECT_LT(ComparePosition(AtPosition(1, true), AtPosition(2, true)), 0);
    EXPECT_LT(ComparePosition(AtPosition(30, true), AtPosition(1, false)), 0);
    EXPECT_LT(ComparePosition(AtPosition(1, false), AtPosition(2, false)), 0);
    EXPECT_EQ(ComparePosition(AtPosition(3, false), AtPosition(103, true)), 0);
    EXPECT_GT(ComparePosition(AtPosition(INT32_MAX, false), AtPosition(INT32_MIN, true)), 0);
    EXPECT_LT(ComparePosition(AtPosition(INT32_MIN, true), AtPosition(INT32_MAX, false)), 0);
}

TEST(LapOrders, SeenAndAllRecordsKeepRecordOrder) {
    TPlayers players;
    for (const char* name : {"a", "b", "c"}) {
        players.Item(players.AddPlayer()).Driver = name;
    }
    players.Item(0).Flags = PlayerFlag::Seen;
    players.Item(1).Flags = PlayerFlag::Absent;
    players.Item(2).Flags = PlayerFlag::Seen | PlayerFlag::LapCompleted;
    const std::vector<const TPlayer*> seen = SeenRecords(players);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0]->Driver, "a");
    EXPECT_EQ(seen[1]->Driver, "c");
    const std::vector<const TPlayer*> all = AllRecords(players);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[1]->Driver, "b");
}
