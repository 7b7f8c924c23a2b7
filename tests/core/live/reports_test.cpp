#include "core/live/reports.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

/// Appends a record; Seen unless `seen` is false. Returns its index.
int AddRecord(TPlayers& players, const std::string& driver, int32_t position, bool seen = true) {
    const int index = players.AddPlayer();
    TPlayer& record = players.Item(index);
    record.Driver = driver;
    record.Position[0] = position;
    record.Flags = seen ? PlayerFlag::Seen : PlayerFlag::Absent;
    return index;
}

void SetLastLaps(TPlayer& record, float a, float b, float c) {
    record.LastLap = {a, b, c, 0.0f, 0.0f};
}

} // namespace

TEST(Reports, NoRecordsGiveTheHeaderOnly) {
    const TPlayers players;
    EXPECT_EQ(BestlapReport(players), std::vector<std::string>{"[Bestlap]"});
    EXPECT_EQ(AvglapReport(players), std::vector<std::string>{"[Avglap]"});
    EXPECT_EQ(GapReport(players), std::vector<std::string>{"[Gap]"});
}

TEST(Reports, BestlapListsEveryRecordInBestLapOrder) {
    TPlayers players;
    players.Item(AddRecord(players, "No Time", 1)).BestLap = -1.0f;
    players.Item(AddRecord(players, "Tom Rider", 3)).BestLap = 83.456f;
    players.Item(AddRecord(players, "Gone Home", 12, false)).BestLap = 83.0f;
    players.Item(AddRecord(players, "Zero Lap", 2)).BestLap = 0.0f;
    players.Item(AddRecord(players, "A Driver Whose Name Runs Long", 4)).BestLap = 90.5f;

    const std::vector<std::string> lines = BestlapReport(players);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "[Bestlap]");
    EXPECT_EQ(lines[1], " 1 [02]Zero Lap               0:00.000");
    EXPECT_EQ(lines[2], " 2 [12]Gone Home              1:23.000");
    EXPECT_EQ(lines[3], " 3 [03]Tom Rider              1:23.456");
    EXPECT_EQ(lines[3].size(), 38u);
    // A long name is never cut; it pushes its own time column to the right.
    EXPECT_EQ(lines[4], " 4 [04]A Driver Whose Name Runs Long   1:30.500");
    EXPECT_EQ(lines[5], " 5 [01]No Time                     ---");
}

TEST(Reports, BestlapKeepsEveryByteOfAName) {
    TPlayers players;
    const std::string name("Nul\0Name%s", 10);
    players.Item(AddRecord(players, name, 7)).BestLap = 61.0f;
    const std::vector<std::string> lines = BestlapReport(players);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], " 1 [07]" + name + std::string(10, ' ') + "   1:01.000");
}

TEST(Reports, AvglapListsSeenRecordsByAverage) {
    TPlayers players;
    SetLastLaps(players.Item(AddRecord(players, "Two Laps", 1)), 80.0f, 80.0f, 0.0f);
    SetLastLaps(players.Item(AddRecord(players, "Steady", 2)), 90.0f, 91.0f, 92.0f);
    SetLastLaps(players.Item(AddRecord(players, "Left Early", 3, false)), 70.0f, 70.0f, 70.0f);
    SetLastLaps(players.Item(AddRecord(players, "Quick", 10)), 85.0f, 85.5f, 86.0f);

    const std::vector<std::string> lines = AvglapReport(players);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "[Avglap]");
    EXPECT_EQ(lines[1], " 1 [10]Quick                  1:25.500");
    EXPECT_EQ(lines[2], " 2 [02]Steady                 1:31.000");
    EXPECT_EQ(lines[3], " 3 [01]Two Laps                    ---");
}

TEST(Reports, GapTexts) {
    TPlayers players;
    const int leader = AddRecord(players, "Tom Rider", 1);
    players.Item(leader).TimeGapToLider = 5.0f;
    players.Item(leader).LapGapToLider = 2;
    players.Item(AddRecord(players, "Bob Lee", 2)).TimeGapToLider = 1.234f;
    const int lapped = AddRecord(players, "Lapped", 4);
    players.Item(lapped).LapGapToLider = 1;
    players.Item(lapped).TimeGapToLider = 70.0f;
    const int twice = AddRecord(players, "Twice Lapped", 5);
    players.Item(twice).LapGapToLider = 12;
    players.Item(AddRecord(players, "No Gap", 6)).TimeGapToLider = -1.0f;
    // Absent: no line for position 3, but it counts toward the positions walked.
    AddRecord(players, "Went Home", 3, false);

    const std::vector<std::string> lines = GapReport(players);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "[Gap]");
    EXPECT_EQ(lines[1], "1   Tom Rider                   ---");
    EXPECT_EQ(lines[2], "2   Bob Lee               +0:01.234");
    EXPECT_EQ(lines[2].size(), 35u);
    EXPECT_EQ(lines[3], "4   Lapped                    +1Lap");
    EXPECT_EQ(lines[4], "5   Twice Lapped             +12Lap");
    EXPECT_EQ(lines[5], "6   No Gap                     +---");
}

TEST(Reports, GapWalksPositionsUpToTheRecordCount) {
    TPlayers players;
    AddRecord(players, "Second", 2);
    AddRecord(players, "Also Second", 2);
    AddRecord(players, "Absent Leader", 1, false);
    AddRecord(players, "Far Back", 9);
    AddRecord(players, "Broken", -3);
    AddRecord(players, "Huge", 2000000000);
    AddRecord(players, "Last Counted", 7);

    const std::vector<std::string> lines = GapReport(players);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].substr(0, 10), "2   Second");
    EXPECT_EQ(lines[2].substr(0, 16), "7   Last Counted");
}
