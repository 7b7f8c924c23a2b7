#include "app/screenfit.h"

#include <gtest/gtest.h>

namespace {

bool operator==(const TWindowBounds& a, const TWindowBounds& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Width == b.Width && a.Height == b.Height;
}

} // namespace

TEST(FitToScreens, SizesShrinkToTheDesktopAndLostWindowsMoveToTheNearestScreen) {
    // Two screens side by side with a gap below the smaller one.
    const std::vector<TWindowBounds> screens = {{0, 0, 1920, 1080}, {1920, 0, 1280, 720}};
    EXPECT_TRUE((FitToScreens({100, 100, 159, 476}, screens) == TWindowBounds{100, 100, 159, 476}));
    EXPECT_TRUE((FitToScreens({-100, 50, 300, 77}, screens) == TWindowBounds{-100, 50, 300, 77}))
        << "partly on a screen is a choice";
    EXPECT_TRUE(
        (FitToScreens({10, 10, 32000, 32000}, screens) == TWindowBounds{10, 10, 3200, 1080}));
    EXPECT_TRUE(
        (FitToScreens({2000, 900, 200, 100}, screens) == TWindowBounds{2000, 620, 200, 100}))
        << "in the gap below the right screen";
    EXPECT_TRUE(
        (FitToScreens({-50000, 90000, 200, 100}, screens) == TWindowBounds{0, 980, 200, 100}));
    EXPECT_TRUE((FitToScreens({2000000000, -2147483647, 200, 100}, screens) ==
                 TWindowBounds{3000, 0, 200, 100}))
        << "the 32-bit limits";
    EXPECT_TRUE((FitToScreens({5, 5, 0, 0}, {}) == TWindowBounds{5, 5, 0, 0})) << "no screens";
}
