#include "core/messages/raceevent.h"

#include <gtest/gtest.h>

namespace {

TEST(RaceEventList, AddEventStartsHiddenWithItsDuration) {
    TRaceEventList list;
    list.AddEvent("DNF", "ALPHA", 8);
    list.AddEvent("", "", 300);
    list.AddEvent("", "", -4);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_FALSE(list.Items(0).Shown);
    EXPECT_EQ(list.Items(0).Title, "DNF");
    EXPECT_EQ(list.Items(0).Text, "ALPHA");
    EXPECT_EQ(list.Items(0).Duration, 8);
    EXPECT_EQ(list.Items(0).Remaining, 8);
    EXPECT_EQ(list.Items(1).Duration, 255) << "a duration is one byte of seconds";
    EXPECT_EQ(list.Items(1).Remaining, 255);
    EXPECT_EQ(list.Items(2).Duration, 0);

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(RaceEventList, ExpireShownCountsDownOnlyShownEvents) {
    TRaceEventList list;
    list.AddEvent("A", "", 2);
    list.AddEvent("B", "", 1);
    list.AddEvent("C", "", 1);
    list.Items(0).Shown = true;
    list.Items(1).Shown = true;

    EXPECT_TRUE(list.ExpireShown()) << "B ran out";
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(0).Title, "A");
    EXPECT_EQ(list.Items(0).Remaining, 1);
    EXPECT_EQ(list.Items(1).Title, "C");
    EXPECT_EQ(list.Items(1).Remaining, 1) << "a waiting event does not age";

    EXPECT_TRUE(list.ExpireShown());
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0).Title, "C");
    EXPECT_FALSE(list.ExpireShown()) << "nothing shown, nothing deleted";
    EXPECT_EQ(list.Items(0).Remaining, 1);
}

TEST(RaceEventList, ZeroDurationGoesAtTheFirstTick) {
    TRaceEventList list;
    list.AddEvent("", "x", 0);
    list.AddEvent("", "y", 0);
    list.Items(0).Shown = true;
    list.Items(1).Shown = true;
    EXPECT_TRUE(list.ExpireShown());
    EXPECT_EQ(list.Count(), 0) << "adjacent expiries must both go in one walk";
}

} // namespace
