#include "platform/numbers.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <limits>
#include <string>

namespace {

char ReadLocaleSeparator() {
    const std::lconv* conv = std::localeconv();
    if (conv == nullptr || conv->decimal_point == nullptr || conv->decimal_point[0] == '\0') {
        return '.';
    }
    return conv->decimal_point[0];
}

char& SeparatorSlot() {
    static char separator = ReadLocaleSeparator();
    return separator;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

/// Checks the shape from_chars would be too lenient about (inf, nan) and finds the separator.
/// Returns false for anything that is not digits[.digits][e[sign]digits] after the sign.
bool HasDecimalShape(std::string_view body, char separator, std::size_t& separatorAt) {
    separatorAt = std::string_view::npos;
    std::size_t i = 0;
    std::size_t digits = 0;
    while (i < body.size() && IsDigit(body[i])) {
        ++i;
        ++digits;
    }
    if (i < body.size() && (body[i] == '.' || body[i] == separator)) {
        separatorAt = i;
        ++i;
        while (i < body.size() && IsDigit(body[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
        ++i;
        if (i < body.size() && (body[i] == '+' || body[i] == '-')) {
            ++i;
        }
        std::size_t expDigits = 0;
        while (i < body.size() && IsDigit(body[i])) {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0) {
            return false;
        }
    }
    return i == body.size();
}

} // namespace

char UserDecimalSeparator() {
    return SeparatorSlot();
}

void SetUserDecimalSeparator(char separator) {
    SeparatorSlot() = separator;
}

std::optional<int32_t> ParseDecimalInt(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || !IsDigit(text.front())) {
        return std::nullopt;
    }
    // Parse the magnitude in 64 bits so that -2147483648 converts.
    uint64_t magnitude = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    const uint64_t limit = negative ? 2147483648ull : 2147483647ull;
    if (magnitude > limit) {
        return std::nullopt;
    }
    const int64_t value =
        negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    return static_cast<int32_t>(value);
}

std::optional<double> ParseDecimalDouble(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::size_t separatorAt = 0;
    if (!HasDecimalShape(text, UserDecimalSeparator(), separatorAt)) {
        return std::nullopt;
    }
    double value = 0.0;
    std::from_chars_result result{};
    if (separatorAt != std::string_view::npos && text[separatorAt] != '.') {
        std::string copy(text);
        copy[separatorAt] = '.';
        result = std::from_chars(copy.data(), copy.data() + copy.size(), value);
        if (result.ec != std::errc() || result.ptr != copy.data() + copy.size()) {
            return std::nullopt;
        }
    } else {
        result = std::from_chars(text.data(), text.data() + text.size(), value);
        if (result.ec != std::errc() || result.ptr != text.data() + text.size()) {
            return std::nullopt;
        }
    }
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::optional<float> ParseDecimalFloat(std::string_view text) {
    const std::optional<double> value = ParseDecimalDouble(text);
    if (!value || std::fabs(*value) > static_cast<double>(std::numeric_limits<float>::max())) {
        return std::nullopt;
    }
    return static_cast<float>(*value);
}
