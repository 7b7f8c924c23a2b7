#include "core/web/changedboxes.h"
#include "core/web/livemessages.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ChangedBoxes, EachBandWithAChangeGivesTheBoxAroundItsChanges) {
    const int width = 40;
    const int height = 40;
    const int stride = 48; // rows padded, as an image's may be
    std::vector<uint32_t> before(static_cast<std::size_t>(stride * height), 0xFF000000u);
    std::vector<uint32_t> after = before;
    EXPECT_TRUE(ChangedBoxes(before.data(), after.data(), width, height, stride).empty());

    const auto set = [&after, stride](int x, int y) {
        after[static_cast<std::size_t>(y * stride + x)] = 0xFFFFFFFFu;
    };
    set(5, 2); // first band
    set(30, 9);
    set(39, 35);                                           // last band, short and at the right edge
    after[static_cast<std::size_t>(20 * stride + 45)] = 1; // padding is no pixel
    const std::vector<TPixelBox> boxes =
        ChangedBoxes(before.data(), after.data(), width, height, stride);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].X, 5);
    EXPECT_EQ(boxes[0].Y, 2);
    EXPECT_EQ(boxes[0].Width, 26);
    EXPECT_EQ(boxes[0].Height, 8);
    EXPECT_EQ(boxes[1].X, 39);
    EXPECT_EQ(boxes[1].Y, 35);
    EXPECT_EQ(boxes[1].Width, 1);
    EXPECT_EQ(boxes[1].Height, 1);
    EXPECT_EQ(
        PatchMessage(40, 40, boxes, 7),
        R"({"kind":"patch","width":40,"height":40,"boxes":[[5,2,26,8],[39,35,1,1]],"drawnAt":7})");
}

} // namespace
