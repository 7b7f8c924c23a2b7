#include "core/messages/statusline.h"

#include <gtest/gtest.h>

namespace {

void SetSession(TPlayers& players, const std::string& session, const std::string& phase,
                const std::string& yellowFlag, int lengthLaps) {
    TGameSession values;
    values.Session = session;
    values.GamePhase = phase;
    values.YellowFlag = yellowFlag;
    values.LengthLaps = lengthLaps;
    players.SetSession(values);
}

TEST(StatusLine, NoticeAndLeftFollowTheSession) {
    TStatusTexts texts = StatusTexts(nullptr, "");
    EXPECT_EQ(texts.Notice, "Kestrune");
    EXPECT_EQ(texts.NoticeColor, clSilver);
    EXPECT_TRUE(texts.Left.empty());

    TPlayers players;
    SetSession(players, "Race", "FullCourseYellow", "PitClosed", 15);
    texts = StatusTexts(&players, "Welcome");
    EXPECT_EQ(texts.Notice, "FullCourseYellow : PitClosed");
    EXPECT_EQ(texts.NoticeColor, clYellow);
    EXPECT_TRUE(texts.Left.empty()) << "no Seen leader, no lap counter";

    TPlayer& leader = players.Item(players.AddPlayer());
    leader.Position[0] = 1;
    leader.Laps = 3;
    leader.Flags = PlayerFlag::Seen;
    SetSession(players, "Race", "GreenFlag", "", 15);
    texts = StatusTexts(&players, "Welcome");
    EXPECT_EQ(texts.Notice, "Welcome");
    EXPECT_EQ(texts.Left, "  3/15");
    EXPECT_EQ(texts.LeftColor, clSilver);
    EXPECT_EQ(LapCounterText(12, 5), " 12/5 ");

    SetSession(players, "Race", "FormationLap", "", 15);
    texts = StatusTexts(&players, "");
    EXPECT_EQ(texts.Left, " FormationLap");
    EXPECT_EQ(texts.LeftColor, clWhite);
    SetSession(players, "Race", "Countdown", "", 15);
    EXPECT_TRUE(StatusTexts(&players, "").Left.empty());
    SetSession(players, "Practice1", "GreenFlag", "", 15);
    EXPECT_TRUE(StatusTexts(&players, "").Left.empty());
}

} // namespace
