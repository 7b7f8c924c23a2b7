#pragma once
// Number texts as the live file and the configuration file write them. Whole text only:
// blanks, hexadecimal floats, nan, inf and values out of range do not convert.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// The decimal separator of the user's number format, read from the regional settings
/// (SystemDecimalSeparator) at the first call and the same ever after (a program whose toolkit
/// sets the locale calls it once that is done); it may be more than one byte.
const std::string& UserDecimalSeparator();

/// A whole decimal number with an optional sign, within 32 bits.
std::optional<int32_t> ParseDecimalInt(std::string_view text);

/// A decimal number (optional sign, fraction and exponent) with "." or `separator`.
std::optional<double> ParseDecimalDouble(std::string_view text,
                                         std::string_view separator = UserDecimalSeparator());

/// As ParseDecimalDouble, and also within the range of a 32-bit float.
std::optional<float> ParseDecimalFloat(std::string_view text,
                                       std::string_view separator = UserDecimalSeparator());

// The plain forms a live file writes almost always, read in one step where the text is: the
// parser calls these at a value's first byte, so it need not find the line's end first. Each
// reads from `p` to the first byte that is not part of its form and moves `p` there; nullopt
// means the text there is not of that form, and the full parse above must decide.

/// [sign]digits[.digits] with at most 15 digits: exact, and equal to ParseDecimalDouble's result.
inline std::optional<double> TakePlainDecimal(const char*& p, const char* end) {
    static constexpr double Powers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char* s = p;
    const bool negative = s < end && *s == '-';
    if (s < end && (*s == '-' || *s == '+')) {
        ++s;
    }
    uint64_t mantissa = 0;
    int digits = 0;
    while (s < end && static_cast<unsigned char>(*s - '0') <= 9 && digits <= 15) {
        mantissa = mantissa * 10 + static_cast<uint64_t>(*s - '0');
        ++digits;
        ++s;
    }
    int fraction = 0;
    if (s < end && *s == '.') {
        ++s;
        while (s < end && static_cast<unsigned char>(*s - '0') <= 9 && digits <= 15) {
            mantissa = mantissa * 10 + static_cast<uint64_t>(*s - '0');
            ++digits;
            ++fraction;
            ++s;
        }
    }
    if (digits == 0 || digits > 15) {
        return std::nullopt;
    }
    p = s;
    const double value = static_cast<double>(mantissa) / Powers[fraction];
    return negative ? -value : value;
}

/// [sign]digits with at most 9 digits, so always within 32 bits.
inline std::optional<int32_t> TakePlainInt(const char*& p, const char* end) {
    const char* s = p;
    const bool negative = s < end && *s == '-';
    if (s < end && (*s == '-' || *s == '+')) {
        ++s;
    }
    int64_t value = 0;
    int digits = 0;
    while (s < end && static_cast<unsigned char>(*s - '0') <= 9 && digits <= 9) {
        value = value * 10 + (*s - '0');
        ++digits;
        ++s;
    }
    if (digits == 0 || digits > 9) {
        return std::nullopt;
    }
    p = s;
    return static_cast<int32_t>(negative ? -value : value);
}
