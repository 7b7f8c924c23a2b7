#include "core/live/players.h"

#include <gtest/gtest.h>

#include "tests/support/carslot.h"

#include <algorithm>
#include <random>

namespace {

TSlot Car(std::string driver, int32_t position, int32_t laps = 0, float best = 0.0f) {
    return CarSlot(std::move(driver), position,
                   {.Laps = laps, .BestLap = best, .Vehicle = "Car", .VehicleClass = "GT"});
}

TGameSession RaceSession(double time, std::string phase = "GreenFlag") {
    TGameSession s;
    s.Session = "Race";
    s.GamePhase = std::move(phase);
    s.SessionTime = time;
    return s;
}

constexpr uint8_t ChangeBits = 0x7E;

TEST(MergeFlags, FirstReadingCreatesRecordsAndSetsSessionBestSilently) {
    TPlayers players;
    std::vector<TSlot> slots = {Car("A", 1, 0, 0.0f), Car("B", 2, 3, 92.5f), Car("C", 3, 3, 91.8f)};
    slots[1].LastLap = 93.0f;
    players.Merge(slots);
    ASSERT_EQ(players.Count(), 3);
    EXPECT_FLOAT_EQ(static_cast<float>(players.SessionBestTime()), 91.8f);
    for (int i = 0; i < 3; ++i) {
        const TPlayer& p = players.Item(i);
        EXPECT_EQ(p.HistoryCount, 0);
        EXPECT_FALSE(p.Has(PlayerFlag::BestLapImproved | PlayerFlag::SessionBestLap));
        EXPECT_TRUE(p.Has(PlayerFlag::Seen));
    }
    EXPECT_FALSE(players.Item(0).Has(PlayerFlag::LapCompleted));
    EXPECT_TRUE(players.Item(1).Has(PlayerFlag::LapCompleted));
    EXPECT_FLOAT_EQ(players.Item(1).LastLap[0], 93.0f);
    EXPECT_EQ(players.CountSeen(), 3);
}

TEST(MergeFlags, SessionBestGoesToTheLowestImprovement) {
    TPlayers players;
    players.Merge({Car("A", 1, 0, 0.0f), Car("B", 2, 3, 92.5f), Car("C", 3, 3, 91.8f)});
    players.Merge({Car("A", 1, 0, 0.0f), Car("B", 2, 3, 92.5f), Car("C", 3, 3, 91.2f)});
    EXPECT_TRUE(players.Item(2).Has(PlayerFlag::BestLapImproved | PlayerFlag::SessionBestLap));
    EXPECT_FLOAT_EQ(static_cast<float>(players.SessionBestTime()), 91.2f);

    players.Merge({Car("A", 1, 0, 0.0f), Car("B", 2, 4, 91.0f), Car("C", 3, 4, 90.9f)});
    EXPECT_TRUE(players.Item(1).Has(PlayerFlag::BestLapImproved));
    EXPECT_FALSE(players.Item(1).Has(PlayerFlag::SessionBestLap));
    EXPECT_TRUE(players.Item(2).Has(PlayerFlag::SessionBestLap));
    EXPECT_FLOAT_EQ(static_cast<float>(players.SessionBestTime()), 90.9f);

    players.Merge({Car("A", 1, 0, 0.0f), Car("B", 2, 4, 93.0f), Car("C", 3, 4, -1.0f)});
    EXPECT_TRUE(players.Item(1).Has(PlayerFlag::BestLapImproved))
        << "a worse value is still a change";
    EXPECT_FALSE(players.Item(1).Has(PlayerFlag::SessionBestLap));
    EXPECT_FALSE(players.Item(2).Has(PlayerFlag::BestLapImproved)) << "no time is no improvement";
    EXPECT_EQ(players.Item(2).BestLap, -1.0f);
}

TEST(MergeFlags, EqualImprovementsFlagTheEarlierRecord) {
    TPlayers players;
    players.Merge({Car("A", 1, 1, 95.0f), Car("B", 2, 1, 95.0f)});
    players.Merge({Car("A", 1, 2, 90.0f), Car("B", 2, 2, 90.0f)});
    EXPECT_TRUE(players.Item(0).Has(PlayerFlag::SessionBestLap));
    EXPECT_FALSE(players.Item(1).Has(PlayerFlag::SessionBestLap));
}

TEST(MergeFlags, FirstPositiveBestLapLaterBecomesSessionBest) {
    TPlayers players;
    players.Merge({Car("A", 1), Car("B", 2)});
    EXPECT_EQ(players.SessionBestTime(), 0.0);
    players.Merge({Car("A", 1, 1, 95.5f), Car("B", 2)});
    EXPECT_TRUE(players.Item(0).Has(PlayerFlag::SessionBestLap));
    EXPECT_FLOAT_EQ(static_cast<float>(players.SessionBestTime()), 95.5f);

    TPlayers slow;
    slow.Merge({Car("A", 1)});
    slow.Merge({Car("A", 1, 1, 10000.0f)});
    EXPECT_FALSE(slow.Item(0).Has(PlayerFlag::SessionBestLap)) << "9999 s or more is not flagged";
    EXPECT_EQ(slow.SessionBestTime(), 9999.0);
}

TEST(MergeFlags, PitsFinishAndPitExitLap) {
    TPlayers players;
    TSlot a = Car("A", 1, 5);
    a.InPits = 1;
    players.Merge({a});
    EXPECT_TRUE(players.Item(0).InPits);
    EXPECT_FALSE(players.Item(0).Has(PlayerFlag::PitStateChanged)) << "a new record flags nothing";
    a.InPits = 0;
    a.Laps = 6;
    a.Pitstops = 1;
    a.FinishStatus = "Finished";
    players.Merge({a});
    const TPlayer& p = players.Item(0);
    EXPECT_TRUE(p.Has(PlayerFlag::PitStateChanged));
    EXPECT_FALSE(p.InPits);
    EXPECT_EQ(p.PitExitLap, 5) << "laps from before this merge";
    EXPECT_TRUE(p.Has(PlayerFlag::PitstopAdded));
    EXPECT_TRUE(p.Has(PlayerFlag::FinishStatusChanged));
    EXPECT_TRUE(p.Has(PlayerFlag::LapCompleted));
    a.Pitstops = 0;
    players.Merge({a});
    EXPECT_FALSE(players.Item(0).Has(PlayerFlag::PitstopAdded)) << "back to 0 is not a stop";
    EXPECT_EQ(players.Item(0).Pitstops, 0);
}

TEST(MergeHistory, ShiftsSeenRecordsAndCountsUpToFive) {
    TPlayers players;
    for (int i = 1; i <= 7; ++i) {
        TSlot s = Car("A", i, i);
        s.TimeGapToPrev = static_cast<float>(i);
        s.LapDistanceTravelled = 100.0 * i;
        s.LastLap = 90.0f + static_cast<float>(i);
        players.Merge({s});
    }
    const TPlayer& p = players.Item(0);
    EXPECT_EQ(p.HistoryCount, 5);
    EXPECT_EQ(p.Position, (std::array<int32_t, 5>{7, 6, 5, 4, 3}));
    EXPECT_EQ(p.TimeGapToPrev, (std::array<float, 5>{7, 6, 5, 4, 3}));
    EXPECT_EQ(p.LapDistanceTravelled[4], 300.0);
    EXPECT_EQ(p.LastLap, (std::array<float, 5>{97, 96, 95, 94, 93}));
}

TEST(MergeHistory, LastLapShiftsOnlyWhenLapsChange) {
    TPlayers players;
    TSlot s = Car("A", 1, 1);
    s.LastLap = 90.0f;
    players.Merge({s});
    s.LastLap = 91.0f;
    players.Merge({s});
    EXPECT_EQ(players.Item(0).LastLap[0], 90.0f);
    s.Laps = 2;
    players.Merge({s});
    EXPECT_EQ(players.Item(0).LastLap[0], 91.0f);
    EXPECT_EQ(players.Item(0).LastLap[1], 90.0f);
}

TEST(MergeHistory, AbsentDriverStopsShiftingAndReturnsNotNew) {
    TPlayers players;
    TSlot a = Car("A", 1, 1);
    players.Merge({a, Car("B", 2, 1)});
    a.Position = 3;
    players.Merge({Car("B", 2, 1), a});
    players.Merge({Car("B", 1, 1)});
    const int ia = players.IndexOfDriver("A", -1);
    ASSERT_EQ(ia, 0);
    EXPECT_TRUE(players.Item(ia).Has(PlayerFlag::Absent));
    EXPECT_FALSE(players.Item(ia).Has(PlayerFlag::Seen));
    EXPECT_EQ(players.Item(ia).Position[0], players.Item(ia).Position[1])
        << "shifted once more right after the last sighting";
    const int countBefore = players.Item(ia).HistoryCount;
    players.Merge({Car("B", 1, 1)});
    EXPECT_EQ(players.Item(ia).HistoryCount, countBefore);

    a.BestLap = 88.0f;
    players.Merge({Car("B", 1, 1), a});
    EXPECT_TRUE(players.Item(ia).Has(PlayerFlag::BestLapImproved))
        << "a returning driver is not new";
    EXPECT_EQ(players.Count(), 2);
    for (int i = 0; i < players.Count(); ++i) {
        const uint8_t f = players.Item(i).Flags;
        EXPECT_NE((f & PlayerFlag::Seen) != 0, (f & PlayerFlag::Absent) != 0);
    }
}

TEST(MergeDrivers, DuplicateDriverInOneReadingMergesIntoOneRecord) {
    TPlayers players;
    players.Merge({Car("A", 1, 1)});
    TSlot first = Car("A", 1, 2);
    first.InPits = 1;
    TSlot second = Car("A", 2, 2);
    players.Merge({first, second});
    ASSERT_EQ(players.Count(), 1);
    const TPlayer& p = players.Item(0);
    EXPECT_EQ(p.Position[0], 2);
    EXPECT_FALSE(p.InPits);
    EXPECT_TRUE(p.Has(PlayerFlag::PitStateChanged)) << "second slot against the first";
    EXPECT_FALSE(p.Has(PlayerFlag::LapCompleted)) << "flags of the first slot are dropped";
}

TEST(MergeDrivers, NamesMatchExactlyAndRulesApply) {
    TPlayers players;
    TNameRules rules;
    rules.IsIgnored = [](const std::string& d) { return d == "Ghost"; };
    rules.AliasOf = [](const std::string& d) {
        return d == "a" ? std::string("ALPHA") : std::string();
    };
    players.Merge({Car("a", 1), Car("A", 2), Car("Ghost", 3)}, rules);
    ASSERT_EQ(players.Count(), 2);
    EXPECT_EQ(players.Item(0).Alias, "ALPHA");
    EXPECT_EQ(players.Item(1).Alias, "");
    EXPECT_EQ(players.IndexOfDriver("Ghost", 2), -1);

    rules.IsIgnored = [](const std::string& d) { return d == "A"; };
    rules.AliasOf = [](const std::string&) { return std::string("CHANGED"); };
    players.Merge({Car("a", 1), Car("A", 2)}, rules);
    EXPECT_TRUE(players.Item(1).Has(PlayerFlag::Absent))
        << "an ignored driver's record turns absent";
    EXPECT_EQ(players.Item(0).Alias, "ALPHA") << "the alias is taken on creation only";
}

TEST(IndexOfDriver, HintFirstThenFirstRecordWithTheName) {
    TPlayers players;
    players.Merge({Car("A", 1), Car("B", 2), Car("C", 3)});
    EXPECT_EQ(players.IndexOfDriver("B", 1), 1);
    EXPECT_EQ(players.IndexOfDriver("B", 0), 1);
    EXPECT_EQ(players.IndexOfDriver("B", 99), 1);
    EXPECT_EQ(players.IndexOfDriver("b", 1), -1);
    EXPECT_EQ(players.IndexOfDriver("", -1), -1);
    const int added = players.AddPlayer();
    players.Item(added).Driver = "D";
    EXPECT_EQ(players.IndexOfDriver("D", -1), added) << "records added by hand are found too";
}

TEST(IndexOfDriver, NamesThatDifferInOneByteOfAnyLengthKeepTheirOwnRecords) {
    // Every length a name is hashed in another way for, and every place a difference can hide.
    std::vector<TSlot> slots;
    for (std::size_t length = 1; length <= 40; ++length) {
        for (std::size_t at = 0; at < length; ++at) {
            std::string name(length, 'a');
            name[at] = 'b';
            slots.push_back(Car(name, static_cast<int32_t>(slots.size()) + 1));
        }
    }
    TPlayers players;
    players.Merge(slots);
    const int twin = players.AddPlayer();
    players.Item(twin).Driver = slots[5].Driver;
    std::reverse(slots.begin(), slots.end());
    players.Merge(slots);
    ASSERT_EQ(players.Count(), static_cast<int>(slots.size()) + 1);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const int index = players.IndexOfDriver(slots[i].Driver, -1);
        ASSERT_GE(index, 0) << slots[i].Driver;
        EXPECT_EQ(players.Item(index).Driver, slots[i].Driver);
        EXPECT_EQ(players.Item(index).Position[0], slots[i].Position) << slots[i].Driver;
    }
    EXPECT_NE(players.IndexOfDriver(players.Item(twin).Driver, -1), twin)
        << "the first record with a name keeps it";
    EXPECT_TRUE(players.Item(twin).Has(PlayerFlag::Absent));
}

TEST(IndexOfDriver, ShuffledReadingsFindEveryRecord) {
    std::vector<TSlot> slots;
    for (int i = 0; i < 200; ++i) {
        slots.push_back(Car("Driver " + std::to_string(i), i + 1));
    }
    TPlayers players;
    players.Merge(slots);
    std::mt19937 rng(7);
    for (int round = 0; round < 5; ++round) {
        std::shuffle(slots.begin(), slots.end(), rng);
        players.Merge(slots);
    }
    EXPECT_EQ(players.Count(), 200);
    EXPECT_EQ(players.CountSeen(), 200);
    for (int i = 0; i < players.Count(); ++i) {
        EXPECT_EQ(players.Item(i).Driver, "Driver " + std::to_string(i));
        EXPECT_EQ(players.Item(i).HistoryCount, 5);
    }
}

TEST(IndexOfPosition, OnlySeenRecordsCount) {
    TPlayers players;
    players.Merge({Car("A", 1), Car("B", 2)});
    players.Merge({Car("B", 1)});
    EXPECT_EQ(players.IndexOfPosition(1), 1) << "the absent A still holds position 1 in its record";
    EXPECT_EQ(players.IndexOfPosition(2), -1);
}

TEST(SetSession, DeltaFollowsSessionTime) {
    TPlayers players;
    EXPECT_EQ(players.GameSession().SessionTimeDelta, -1.0);
    const double times[] = {100.0, 103.4, 50.0, 52.0};
    const double deltas[] = {0.0, 3.4, -53.4, 0.0};
    for (int i = 0; i < 4; ++i) {
        TGameSession s;
        s.SessionTime = times[i];
        players.SetSession(s);
        EXPECT_NEAR(players.GameSession().SessionTimeDelta, deltas[i], 1e-9) << i;
    }
}

class BattleScores : public ::testing::Test {
  protected:
    void Read(std::vector<TSlot> slots, double time, std::string phase = "GreenFlag") {
        players.Merge(slots);
        players.SetSession(RaceSession(time, std::move(phase)));
        UpdateBattleScores(players);
    }
    TSlot Chaser(std::string driver, int32_t position, float gap) {
        TSlot s = Car(std::move(driver), position, 2);
        s.TimeGapToPrev = gap;
        return s;
    }
    int Score(const std::string& driver) const {
        return players.Item(players.IndexOfDriver(driver, -1)).BattleScore;
    }
    TPlayers players;
};

TEST_F(BattleScores, StepAndBudget) {
    Read({Car("P1", 1, 2), Chaser("P2", 2, 0.5f), Chaser("P3", 3, 0.5f), Chaser("P4", 4, 0.5f),
          Chaser("P5", 5, 0.5f)},
         100.0);
    EXPECT_EQ(Score("P1"), 0) << "first reading: step 0";
    Read({Car("P1", 1, 2), Chaser("P2", 2, 0.5f), Chaser("P3", 3, 0.5f), Chaser("P4", 4, 0.5f),
          Chaser("P5", 5, 0.5f)},
         101.95);
    EXPECT_EQ(Score("P1"), 4);
    EXPECT_EQ(Score("P2"), 10);
    EXPECT_EQ(Score("P3"), 10);
    EXPECT_EQ(Score("P4"), 10) << "budget 5 left before P4, tested once before the four";
    EXPECT_EQ(Score("P5"), 2) << "budget spent: only the < 0.55 step";
}

TEST_F(BattleScores, LeaderCapAndNegativeScoresRecover) {
    Read({Car("P1", 1, 2), Chaser("P2", 2, 9.0f)}, 100.0);
    players.Item(0).BattleScore = 150;
    players.Item(1).BattleScore = -200;
    Read({Car("P1", 1, 2), Chaser("P2", 2, 9.0f)}, 103.0);
    EXPECT_EQ(Score("P1"), 150);
    EXPECT_EQ(Score("P2"), -197);
}

TEST_F(BattleScores, NothingBeforeTheLeadersFirstLapAndZeroUnderYellow) {
    Read({Car("P1", 1, 0), Chaser("P2", 2, 0.5f)}, 100.0);
    Read({Car("P1", 1, 0), Chaser("P2", 2, 0.5f)}, 102.0);
    EXPECT_EQ(Score("P2"), 0);
    Read({Car("P1", 1, 1), Chaser("P2", 2, 0.5f)}, 104.0);
    EXPECT_EQ(Score("P2"), 10);
    Read({Car("P1", 1, 1), Chaser("P2", 2, 0.5f)}, 106.0, "FullCourseYellow");
    EXPECT_EQ(Score("P1"), 0);
    EXPECT_EQ(Score("P2"), 0);
}

TEST_F(BattleScores, FinishedCarAheadAndMissingPosition) {
    TSlot p3 = Chaser("P3", 3, 0.5f);
    p3.FinishStatus = "Finished";
    Read({Car("P1", 1, 2), Chaser("P2", 2, 0.5f), p3, Chaser("P4", 4, 0.5f)}, 100.0);
    players.Item(2).BattleScore = 40;
    Read({Car("P1", 1, 2), Chaser("P2", 2, 0.5f), p3, Chaser("P4", 4, 0.5f)}, 102.0);
    EXPECT_EQ(Score("P3"), 0);
    EXPECT_EQ(Score("P4"), 0) << "the car ahead has finished";
    EXPECT_EQ(Score("P2"), 10);

    TPlayers gap;
    gap.Merge({Car("P1", 1, 2), Chaser("P2", 2, 0.5f), Chaser("P4", 4, 0.5f)});
    gap.SetSession(RaceSession(100.0));
    gap.Merge({Car("P1", 1, 2), Chaser("P2", 2, 0.5f), Chaser("P4", 4, 0.5f)});
    gap.SetSession(RaceSession(102.0));
    UpdateBattleScores(gap);
    EXPECT_EQ(gap.Item(1).BattleScore, 10);
    EXPECT_EQ(gap.Item(2).BattleScore, 0) << "the walk ends at the missing position 3";
}

TEST_F(BattleScores, HugeAndDuplicatePositionsEndTheWalk) {
    Read({Car("P1", 1, 2), Chaser("P2", 2000000000, 0.5f), Chaser("P3", 1, 0.5f)}, 100.0);
    Read({Car("P1", 1, 2), Chaser("P2", 2000000000, 0.5f), Chaser("P3", 1, 0.5f)}, 102.0);
    EXPECT_EQ(Score("P1"), 4);
    EXPECT_EQ(Score("P2"), 0);
    EXPECT_EQ(Score("P3"), 0) << "only the first record at a position takes part";
}

} // namespace
