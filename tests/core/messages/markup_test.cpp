#include "core/messages/markup.h"

#include <gtest/gtest.h>

namespace {

std::string Describe(const std::vector<TMarkupStretch>& stretches) {
    // One token per stretch: [box] or 'plain', '+' marks a half-space gap after it, '!' a red box.
    std::string out;
    for (const TMarkupStretch& s : stretches) {
        out += s.Box ? "[" + s.Text + "]" : "'" + s.Text + "'";
        out += s.IsOne ? "!" : "";
        out += s.HalfSpaceAfter ? "+" : "";
        out += " ";
    }
    return out;
}

TEST(Markup, SplitsBoxesPlainTextAndGaps) {
    EXPECT_EQ(Describe(ParseMarkup("#3# DRIVER  1:42.118")), "[3]+ ' DRIVER  1:42.118' ");
    EXPECT_EQ(Describe(ParseMarkup("#1# DRIVER")), "[1]!+ ' DRIVER' ");
    EXPECT_EQ(Describe(ParseMarkup("#3# A  <  0.412  >  B #4#")),
              "[3]+ ' A  <  0.412  >  B '+ [4]+ ");
    EXPECT_EQ(Describe(ParseMarkup("plain text")), "'plain text' ");
    EXPECT_EQ(Describe(ParseMarkup("")), "");
}

TEST(Markup, UnpairedAndEmptyMarks) {
    EXPECT_EQ(Describe(ParseMarkup("abc#def")), "'abc'+ 'def' ") << "a lone # leaves a gap";
    EXPECT_EQ(Describe(ParseMarkup("abc#")), "'abc'+ ");
    EXPECT_EQ(Describe(ParseMarkup("##")), "") << "an empty pair takes no room";
    EXPECT_EQ(Describe(ParseMarkup("#")), "");
    EXPECT_EQ(Describe(ParseMarkup("a#b#c#d")), "'a'+ [b]+ 'c'+ 'd' ");
    EXPECT_EQ(Describe(ParseMarkup("###")), "") << "the third # opens a box that never closes";
    EXPECT_EQ(Describe(ParseMarkup("#x#")), "[x]+ ");
}

TEST(Markup, OnlyTheIntegerOneIsRed) {
    EXPECT_TRUE(ParseMarkup("#01#")[0].IsOne);
    EXPECT_TRUE(ParseMarkup("#0001#")[0].IsOne);
    for (const char* text : {"#10#", "#0#", "#11#", "#x#", "#1x#", "# 1#", "#-1#", "#00#"}) {
        const auto stretches = ParseMarkup(text);
        ASSERT_EQ(stretches.size(), 1u) << text;
        EXPECT_TRUE(stretches[0].Box) << text;
        EXPECT_FALSE(stretches[0].IsOne) << text;
    }
    EXPECT_FALSE(ParseMarkup("1")[0].IsOne) << "plain text is never a box";
}

TEST(Markup, LayoutMatchesTheMeasuredWidth) {
    // Every byte 10 pixels wide: S = 10, H = 5, box = 30.
    const auto width = [](std::string_view text) { return static_cast<int>(text.size()) * 10; };

    const TMarkupLayout boxed = LayoutMarkup(ParseMarkup("#3# AB"), width);
    // 2S + (H + box) + width(" AB") = 20 + 35 + 30.
    EXPECT_EQ(boxed.Width, 85);
    EXPECT_EQ(boxed.Left, (std::vector<int>{10, 45}));

    const TMarkupLayout loneMark = LayoutMarkup(ParseMarkup("abc#def"), width);
    EXPECT_EQ(loneMark.Width, 20 + 35 + 30);
    EXPECT_EQ(loneMark.Left, (std::vector<int>{10, 45}));

    EXPECT_EQ(LayoutMarkup(ParseMarkup(""), width).Width, 20) << "an empty text is two spaces";
    EXPECT_EQ(LayoutMarkup(ParseMarkup("##"), width).Width, 20);

    // An odd space width rounds the half space down.
    const auto odd = [](std::string_view text) { return static_cast<int>(text.size()) * 7; };
    EXPECT_EQ(LayoutMarkup(ParseMarkup("a#"), odd).Width, 14 + 7 + 3);
}

} // namespace
