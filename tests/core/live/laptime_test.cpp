#include "core/live/laptime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(LapTimeText, FullAndShortForms) {
    EXPECT_EQ(LapTimeText(83.456f), "1:23.456");
    EXPECT_EQ(LapTimeText(5.2f), "0:05.200");
    EXPECT_EQ(LapTimeText(5.2f, true), "5.200");
    EXPECT_EQ(LapTimeText(62.345f, true), "1:02.345");
    EXPECT_EQ(LapTimeText(0.0f), "0:00.000");
    EXPECT_EQ(LapTimeText(0.0f, true), "0.000");
    EXPECT_EQ(LapTimeText(600.0f), "10:00.000");
    EXPECT_EQ(LapTimeText(3723.9f), "62:03.900");
}

TEST(LapTimeText, NoTime) {
    EXPECT_EQ(LapTimeText(-1.0f), "---");
    EXPECT_EQ(LapTimeText(-0.001f, true), "---");
    EXPECT_EQ(LapTimeText(std::nanf("")), "---");
    EXPECT_EQ(LapTimeText(std::numeric_limits<float>::infinity()), "---");
    EXPECT_FALSE(LapTimeText(std::numeric_limits<float>::max()).empty());
}
