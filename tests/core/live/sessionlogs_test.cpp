#include "core/live/sessionlogs.h"

#include <gtest/gtest.h>

#include "tests/support/carslot.h"

#include <stdexcept>

namespace {

TSlot Car(std::string driver, int32_t position, int32_t laps, float best) {
    return CarSlot(std::move(driver), position,
                   {.Laps = laps,
                    .BestLap = best,
                    .FinishStatus = "",
                    .Vehicle = "Formula Classic",
                    .VehicleClass = "F3"});
}

TGameSession Session(double time) {
    TGameSession session;
    session.Scene = "Lakeside";
    session.Session = "Race";
    session.SessionTime = time;
    return session;
}

std::string Padded(const std::string& text, std::size_t width) {
    return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

TEST(SessionSummary, TitleAndSessionTime) {
    TPlayers players;
    players.Merge({Car("Tom Rider", 1, 5, 83.456f)});
    players.SetSession(Session(3723.9));
    const std::vector<std::string> lines = SessionSummary(players, 1'700'000'000);
    ASSERT_EQ(lines.size(), 3u);
    const std::string tail = " Lakeside - Race";
    ASSERT_GT(lines[0].size(), tail.size());
    EXPECT_EQ(lines[0].substr(lines[0].size() - tail.size()), tail);
    EXPECT_EQ(lines[1], "Session Time - 01:02:03");

    EXPECT_EQ(SessionTimeLine(0.0), "Session Time - 00:00:00");
    EXPECT_EQ(SessionTimeLine(59.999), "Session Time - 00:00:59");
    EXPECT_EQ(SessionTimeLine(360000.0), "Session Time - 100:00:00");
    // A corrupt time must not overflow the fields.
    EXPECT_EQ(SessionTimeLine(1e300).rfind("Session Time - ", 0), 0u);
}

TEST(SessionSummary, DriverLinesInPositionOrderAbsentDriversLast) {
    TPlayers players;
    const std::string longName(40, 'N'); // longer than its column: not cut
    players.Merge({Car(longName, 2, 4, 84.0f), Car("Bob", 3, 5, 83.456f), Car("Cid", 1, 5, -1.0f)});
    // Cid leaves while leading; Bob takes the lead.
    players.Merge({Car(longName, 2, 4, 84.0f), Car("Bob", 1, 5, 83.456f)});
    players.SetSession(Session(100.0));
    const std::vector<std::string> lines = SessionSummary(players, 0);
    ASSERT_EQ(lines.size(), 5u);
    const std::string tail = " " + Padded("Formula Classic", 30) + " " + Padded("F3", 14) + " ";
    EXPECT_EQ(lines[2], " 1[01]" + Padded("Bob", 22) + tail + " 5L  1:23.456");
    EXPECT_EQ(lines[3], " 2[02]" + longName + tail + " 4L  1:24.000");
    EXPECT_EQ(lines[4], " 3[01]" + Padded("Cid", 22) + tail + " 5L  ---");
}

TEST(SessionLogs, AppendsOneEntryPerSessionWithRecords) {
    TSessionLogs logs;
    TPlayers empty;
    logs.AddSession(empty);
    EXPECT_EQ(logs.Count(), 0);

    TPlayers players;
    players.Merge({Car("Ann", 1, 4, 84.0f), Car("Bob", 2, 5, 83.456f)});
    players.SetSession(Session(61.0));
    logs.AddSession(players);
    logs.AddSession(empty);
    logs.AddSession(players);
    ASSERT_EQ(logs.Count(), 2);
    const std::vector<std::string>& entry = logs.Items(1);
    ASSERT_EQ(entry.size(), 4u);
    EXPECT_EQ(logs.EntryTitle(1), entry[0]);
    EXPECT_EQ(entry[1], "Session Time - 00:01:01");
    const std::vector<std::string> expected = SessionSummary(players, 0);
    EXPECT_EQ(std::vector<std::string>(entry.begin() + 1, entry.end()),
              std::vector<std::string>(expected.begin() + 1, expected.end()));
    EXPECT_THROW(logs.Items(2), std::out_of_range);
    EXPECT_THROW(logs.EntryTitle(-1), std::out_of_range);
}

} // namespace
