// Initialisation texts the fuzzer found that a write once stored wrongly.

#include "core/platform/profile.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

// Such a key's line reads back as a section or a comment: the write would report success
// while the value is lost, and a "[" line would even open a section of its own.
TEST(FuzzRegressProfile, KeysThatWouldReadAsSectionOrCommentAreRefused) {
    const std::string text = "[Config]\nA=1\n";
    EXPECT_THROW(WithProfileValue(text, "Config", "[K", "v"), std::invalid_argument);
    EXPECT_THROW(WithProfileValue(text, "Config", "  [K", "v"), std::invalid_argument);
    EXPECT_THROW(WithProfileValue(text, "Config", ";K", "v"), std::invalid_argument);
    EXPECT_THROW(WithProfileValue("", "New", "\t;K", "v"), std::invalid_argument);
    // The same characters later in the key are harmless.
    const std::string written = WithProfileValue(text, "Config", "K[;]", "v");
    EXPECT_EQ(ProfileValue(written, "Config", "K[;]"), "v");
    EXPECT_EQ(ProfileValue(written, "Config", "A"), "1");
}

// A text ending in a lone CR: the reader already ends the last line there, so a key written
// after it must start a line of its own instead of joining that line's value.
TEST(FuzzRegressProfile, ALoneCarriageReturnAtTheEndStaysALineBreak) {
    const std::string inSection = "[Config]\r\nX=120\r";
    const std::string added = WithProfileValue(inSection, "Config", "Y", "7");
    EXPECT_EQ(added, "[Config]\r\nX=120\r\nY=7\r\n");
    EXPECT_EQ(ProfileValue(added, "Config", "X"), "120");
    EXPECT_EQ(ProfileValue(added, "Config", "Y"), "7");

    const std::string otherSection = "[Other]\r\nX=120\r";
    const std::string appended = WithProfileValue(otherSection, "Config", "Y", "7");
    EXPECT_EQ(appended, "[Other]\r\nX=120\r\n[Config]\r\nY=7\r\n");
    EXPECT_EQ(ProfileValue(appended, "Other", "X"), "120");
    EXPECT_EQ(ProfileValue(appended, "Config", "Y"), "7");
}

} // namespace
