#include "core/messages/recentmessages.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(RecentMessages, PlainTextNewestFirstBoundedAndAgedOut) {
    const TSteadyTime t0{};
    TRecentMessages recent(3, 10min);
    TReadingResult reading;
    reading.Log("[DNF] Ann Lee");
    reading.Event("Pit-in", "#3# Zo\xE9 R\xE9my", 8);
    reading.Event("", "#2# A  <  0.412  >  B #3#", 8);
    recent.AddFrom(reading, t0);
    recent.Add("Fastest Lap", "Lap#12#record", 7, t0 + 90s);
    EXPECT_EQ(recent.Json(t0 + 95s),
              R"([{"ageSeconds":5,"title":"Fastest Lap","text":"Lap 12 record","seconds":7},)"
              R"({"ageSeconds":95,"title":"","text":"2 A  <  0.412  >  B 3","seconds":8},)"
              R"({"ageSeconds":95,"title":"Pit-in","text":"3 Zoé Rémy","seconds":8}])");

    recent.Add("DNF", "Ann Lee", 8, t0 + 100s);
    ASSERT_EQ(recent.Messages().size(), 3u) << "the oldest went past the limit";
    EXPECT_EQ(recent.Messages().front().Text, "2 A  <  0.412  >  B 3");
    EXPECT_EQ(recent.Json(t0 + 10min + 1s),
              R"([{"ageSeconds":501,"title":"DNF","text":"Ann Lee","seconds":8},)"
              R"({"ageSeconds":511,"title":"Fastest Lap","text":"Lap 12 record","seconds":7}])");

    recent.Add("Final Lap", "#1# Tom Rider", 10, t0 + 12min);
    ASSERT_EQ(recent.Messages().size(), 1u) << "adding drops what is past the window";
    EXPECT_EQ(recent.Messages().front().Text, "1 Tom Rider");
}

} // namespace
