// Inputs the fuzzers found that once gave wrong results or undefined behaviour.

#include "core/live/laptime.h"
#include "core/live/livefile.h"
#include "core/live/players.h"

#include <gtest/gtest.h>

#include "tests/support/carslot.h"

#include <climits>
#include <limits>
#include <string>

namespace {

TEST(FuzzRegressLapTime, HalfAMillisecondBeforeAMinuteRoundsIntoIt) {
    EXPECT_EQ(LapTimeText(119.9997f), "2:00.000");
    EXPECT_EQ(LapTimeText(59.9996f), "1:00.000");
    EXPECT_EQ(LapTimeText(59.9996f, true), "1:00.000");
    EXPECT_EQ(LapTimeText(59.9994f, true), "59.999");
    EXPECT_EQ(LapTimeText(3599.9999f), "60:00.000");
    // Ties round to even, as printf did.
    EXPECT_EQ(LapTimeText(0.0625f, true), "0.062");
}

TEST(FuzzRegressLapTime, NegativeZeroFromTheFileIsZero) {
    std::vector<TSlot> slots;
    TGameSession session;
    ParseLiveText("[Slot0]\nBestLap=-0.000\n", slots, session);
    ASSERT_EQ(slots.size(), 1u);
    EXPECT_EQ(LapTimeText(slots[0].BestLap), "0:00.000");
    EXPECT_EQ(LapTimeText(slots[0].BestLap, true), "0.000");
}

TEST(FuzzRegressLapTime, HugeTimesKeepTheirShape) {
    const std::string text = LapTimeText(std::numeric_limits<float>::max());
    const std::size_t colon = text.find(':');
    ASSERT_NE(colon, std::string::npos);
    const std::string seconds = text.substr(colon + 1);
    ASSERT_EQ(seconds.size(), 6u) << text;
    EXPECT_LT(seconds, "60.000") << text;
    EXPECT_EQ(text.find('-'), std::string::npos) << text;
}

TSlot CarWithGap(std::string driver, int32_t position, float gapToPrev) {
    return CarSlot(std::move(driver), position, {.Laps = 3, .TimeGapToPrev = gapToPrev});
}

TGameSession Race(double time) {
    TGameSession session;
    session.Session = "Race";
    session.GamePhase = "GreenFlag";
    session.SessionTime = time;
    return session;
}

// A session clock that keeps jumping back by a huge amount lowers the scores by the largest
// step every other reading; thousands of such readings must not wrap the counters around.
TEST(FuzzRegressBattleScores, AClockJumpingBackForeverDoesNotOverflow) {
    TPlayers players;
    const std::vector<TSlot> slots = {CarWithGap("Ann", 1, 0.0f), CarWithGap("Bob", 2, 0.3f)};
    for (int reading = 0; reading < 24000; ++reading) {
        players.Merge(slots);
        players.SetSession(Race(reading % 2 == 0 ? 1e9 : 0.0));
        UpdateBattleScores(players);
    }
    EXPECT_EQ(players.Item(0).BattleScore, INT32_MIN);
    EXPECT_EQ(players.Item(1).BattleScore, INT32_MIN);

    // A forward clock still raises the chaser from the floor rather than wrapping further down.
    players.SetSession(Race(0.0));
    players.Merge(slots);
    players.SetSession(Race(1.0));
    UpdateBattleScores(players);
    EXPECT_GT(players.Item(1).BattleScore, INT32_MIN);
}

} // namespace
