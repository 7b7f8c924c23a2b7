#include "core/app/screenfit.h"

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
    EXPECT_TRUE((FitToScreens({-100, 50, 300, 77}, screens) == TWindowBounds{0, 50, 300, 77}))
        << "partly off the screens is partly missing from the picture";
    EXPECT_TRUE((FitToScreens({1800, 50, 300, 77}, screens) == TWindowBounds{1800, 50, 300, 77}))
        << "across two screens side by side is wholly shown";
    EXPECT_TRUE((FitToScreens({1050, 10, 390, 700}, {{0, 0, 1280, 720}, {0, 0, 1280, 720}}) ==
                 TWindowBounds{890, 10, 390, 700}))
        << "a mirrored screen shows nothing more; the window goes where the most of it was";
    EXPECT_TRUE(
        (FitToScreens({1900, 600, 400, 200}, screens) == TWindowBounds{1920, 520, 400, 200}))
        << "mostly on the right screen and partly below it: wholly onto it";
    EXPECT_TRUE((FitToScreens({10, 10, 32000, 32000}, screens) == TWindowBounds{0, 0, 3200, 1080}))
        << "the desktop's size, from the top left of the screen that shows the most of it";
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

TEST(PlaceBeside, BroadcastWindowsGoBesideTheConsoleNeverOverIt) {
    const std::vector<TWindowBounds> screens{{0, 0, 1280, 1024}, {1280, 0, 1920, 1080}};
    const TWindowBounds console{100, 100, 540, 300};
    const TWindowBounds tower = PlaceBeside(console, 175, 515, screens, {});
    EXPECT_TRUE((tower == TWindowBounds{648, 100, 175, 515}));
    // Right of the console and below it the tower is in the way: below the tower.
    const TWindowBounds ticker = PlaceBeside(console, 585, 116, screens, {tower});
    EXPECT_TRUE((ticker == TWindowBounds{648, 623, 585, 116}));

    // A console at the right edge of the second screen: the tower goes left of it, on that
    // screen; on a screen too small for anything beside it, it covers the least it can.
    const TWindowBounds atEdge = PlaceBeside({2600, 0, 600, 1080}, 175, 515, screens, {});
    EXPECT_EQ(atEdge.Left, 2600 - 8 - 175);
    const TWindowBounds crowded = PlaceBeside({0, 0, 800, 560}, 175, 515, {{0, 0, 800, 600}}, {});
    EXPECT_GE(crowded.Top, 0);
    EXPECT_LE(crowded.Top + crowded.Height, 600);
}
