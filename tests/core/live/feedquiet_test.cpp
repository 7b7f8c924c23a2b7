#include "core/live/feedquiet.h"

#include <gtest/gtest.h>

namespace {

using std::chrono::seconds;

TEST(FeedQuiet, ARunningSessionThatStopsChangingIsLoggedOnceAndItsReturnWithTheGap) {
    TFeedQuiet quiet;
    const TSteadyTime start{};
    EXPECT_FALSE(quiet.Check(start + seconds(60), "a_live.txt")) << "nothing read yet";
    EXPECT_FALSE(quiet.FileChanged(start, TGamePhase::GreenFlag, "a_live.txt"));
    EXPECT_FALSE(quiet.Check(start + seconds(9), "a_live.txt"));
    const auto line = quiet.Check(start + seconds(10), "a_live.txt");
    ASSERT_TRUE(line);
    EXPECT_EQ(*line, "a_live.txt has not changed for 10 s: the feed may have stopped");
    EXPECT_FALSE(quiet.Check(start + seconds(11), "a_live.txt")) << "said once";
    const auto back = quiet.FileChanged(start + seconds(42), TGamePhase::GreenFlag, "a_live.txt");
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, "a_live.txt changes again after 42 s without a change");
    EXPECT_FALSE(quiet.FileChanged(start + seconds(43), TGamePhase::GreenFlag, "a_live.txt"));

    // A session that is over, or a phase not known, is allowed to be quiet.
    EXPECT_FALSE(quiet.FileChanged(start + seconds(50), TGamePhase::SessionOver, "a_live.txt"));
    EXPECT_FALSE(quiet.Check(start + seconds(500), "a_live.txt"));
    EXPECT_FALSE(quiet.FileChanged(start + seconds(600), TGamePhase::None, "a_live.txt"));
    EXPECT_FALSE(quiet.Check(start + seconds(700), "a_live.txt"));
}

} // namespace
