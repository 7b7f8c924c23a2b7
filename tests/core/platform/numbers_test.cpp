#include "core/platform/localetext.h"
#include "core/platform/numbers.h"

#include <gtest/gtest.h>

#include <charconv>
#include <string>

TEST(DecimalNumbers, IntegersConvertWholeTextOnly) {
    EXPECT_EQ(ParseDecimalInt("42"), 42);
    EXPECT_EQ(ParseDecimalInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseDecimalInt("+7"), 7);
    for (const char* bad : {"", " 1", "1 ", "2147483648", "0x10", "1.0", "-", "+-1", "1e3"}) {
        EXPECT_FALSE(ParseDecimalInt(bad).has_value()) << bad;
    }
}

TEST(DecimalNumbers, FloatsRejectWhatIsNotADecimalNumber) {
    EXPECT_DOUBLE_EQ(*ParseDecimalDouble("1.5e-3"), 0.0015);
    EXPECT_DOUBLE_EQ(*ParseDecimalDouble("-.25"), -0.25);
    EXPECT_DOUBLE_EQ(*ParseDecimalDouble("3."), 3.0);
    for (const char* bad : {"", ".", "nan", "inf", "-infinity", "0x1p3", " 1", "1 ", "1e", "1e+",
                            "1.2.3", "1e999", "e5"}) {
        EXPECT_FALSE(ParseDecimalDouble(bad).has_value()) << bad;
    }
    EXPECT_FALSE(ParseDecimalFloat("1e39").has_value());
    EXPECT_TRUE(ParseDecimalFloat("1e38").has_value());
}

TEST(LocaleText, CaseInsensitiveComparison) {
    EXPECT_TRUE(EqualsIgnoreCase("Jon Doe", "JON DOE"));
    EXPECT_FALSE(EqualsIgnoreCase("Jon Doe", "JON DOE "));
    EXPECT_FALSE(EqualsIgnoreCase("Jon Doe", "JON DOF")) << "ASCII is compared without decoding";
    EXPECT_TRUE(EqualsIgnoreCase("Ärne", "ärne"));
    EXPECT_TRUE(EqualsIgnoreCase("\xC4rne", "\xE4RNE")) << "Windows-1252 bytes fold too";
    EXPECT_LT(CompareIgnoreCase("a_live.txt", "B_live.txt"), 0);
    EXPECT_GT(CompareIgnoreCase("b", "A"), 0);
    EXPECT_NE(CompareIgnoreCase("a", "A"), 0) << "ties broken so the order is total";
    EXPECT_TRUE(IsValidUtf8("h\xC3\xA9"));
    EXPECT_FALSE(IsValidUtf8("h\xC3"));
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80")) << "surrogates are not UTF-8";
}

TEST(DecimalNumbers, AgreesWithTheStandardConversionBitForBit) {
    // The short-cut for plain decimals must round exactly as the full conversion does.
    uint64_t state = 12345;
    const auto next = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return state >> 33;
    };
    for (int i = 0; i < 20000; ++i) {
        const int fraction = static_cast<int>(next() % 9);
        std::string text = std::to_string(next() % 100000000);
        if (fraction > 0) {
            std::string digits = std::to_string(next() % 1000000000);
            digits.resize(static_cast<std::size_t>(fraction), '7');
            text += "." + digits;
        }
        double expected = 0.0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        ASSERT_EQ(ParseDecimalDouble(text), expected) << text;
        ASSERT_EQ(ParseDecimalDouble("-" + text), -expected) << text;
    }
    EXPECT_EQ(ParseDecimalDouble("0.1"), 0.1);
    EXPECT_EQ(ParseDecimalDouble("1234567890.12345678"), 1234567890.12345678);
}
