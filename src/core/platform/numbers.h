#pragma once
// Number texts as the live file and the configuration file write them. Whole text only:
// blanks, hexadecimal floats, nan, inf and values out of range do not convert.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// The decimal separator of the user's number format, read once from the regional settings
/// (SystemDecimalSeparator); it may
/// be more than one byte.
const std::string& UserDecimalSeparator();

/// Overrides the separator (tests, and a program that learns it from its toolkit).
void SetUserDecimalSeparator(std::string separator);

/// A whole decimal number with an optional sign, within 32 bits.
std::optional<int32_t> ParseDecimalInt(std::string_view text);

/// A decimal number (optional sign, fraction and exponent) with "." or the user's separator.
std::optional<double> ParseDecimalDouble(std::string_view text);

/// As ParseDecimalDouble, and also within the range of a 32-bit float.
std::optional<float> ParseDecimalFloat(std::string_view text);
