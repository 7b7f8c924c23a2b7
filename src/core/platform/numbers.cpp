#include "core/platform/numbers.h"

#include "core/platform/localeinfo.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

/// What one pass over a number text found.
struct DecimalShape {
    bool valid = false;
    std::size_t separatorAt = std::string_view::npos;
    std::size_t separatorSize = 0;
    bool hasExponent = false;
    uint64_t mantissa = 0; // the digits as an integer, while they fit
    int significant = 0;   // digits counted into mantissa, leading zeros excluded
    int fractionDigits = 0;
};

/// Checks the shape from_chars would be too lenient about (inf, nan, hex) and gathers what the
/// exact fast path needs: digits[.digits][e[sign]digits] after the sign.
DecimalShape ScanDecimal(std::string_view body, std::string_view separator) {
    DecimalShape shape;
    const char* p = body.data();
    const char* const end = p + body.size();
    const char* const firstDigit = p;
    // Leading zeros carry no significance; skipping them keeps "0.005" on the fast path.
    const auto takeDigits = [&](bool fraction) {
        const char* start = p;
        while (p < end && IsDigit(*p)) {
            if (shape.mantissa != 0 || *p != '0') {
                if (++shape.significant <= 19) {
                    shape.mantissa = shape.mantissa * 10 + static_cast<uint64_t>(*p - '0');
                }
            }
            ++p;
        }
        if (fraction) {
            shape.fractionDigits = static_cast<int>(p - start);
        }
    };
    takeDigits(false);
    std::size_t digits = static_cast<std::size_t>(p - firstDigit);
    const std::string_view rest(p, static_cast<std::size_t>(end - p));
    const std::size_t separatorSize = !rest.empty() && rest.front() == '.' ? 1
                                      : !separator.empty() && rest.starts_with(separator)
                                          ? separator.size()
                                          : 0;
    if (separatorSize > 0) {
        shape.separatorAt = static_cast<std::size_t>(p - firstDigit);
        shape.separatorSize = separatorSize;
        p += separatorSize;
        const char* fractionStart = p;
        takeDigits(true);
        digits += static_cast<std::size_t>(p - fractionStart);
    }
    if (digits == 0) {
        return shape;
    }
    if (p < end && (*p == 'e' || *p == 'E')) {
        shape.hasExponent = true;
        ++p;
        if (p < end && (*p == '+' || *p == '-')) {
            ++p;
        }
        const char* exponentStart = p;
        while (p < end && IsDigit(*p)) {
            ++p;
        }
        if (p == exponentStart) {
            return shape;
        }
    }
    shape.valid = p == end;
    return shape;
}

/// Exact when the digits fit in a double's mantissa and the power of ten is exact: one
/// correctly rounded division, the same result from_chars gives, at a fraction of the cost.
std::optional<double> FastDecimal(const DecimalShape& shape) {
    static constexpr double Powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (shape.hasExponent || shape.significant > 15 || shape.fractionDigits > 22) {
        return std::nullopt;
    }
    return static_cast<double>(shape.mantissa) / Powers[shape.fractionDigits];
}

} // namespace

const std::string& UserDecimalSeparator() {
    static const std::string separator = SystemDecimalSeparator();
    return separator;
}

std::optional<int32_t> ParseDecimalInt(std::string_view text) {
    const char* plainEnd = text.data();
    if (const std::optional<int32_t> plain = TakePlainInt(plainEnd, text.data() + text.size());
        plain && plainEnd == text.data() + text.size()) {
        return plain;
    }
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

std::optional<double> ParseDecimalDouble(std::string_view text, std::string_view separator) {
    const char* plainEnd = text.data();
    if (const std::optional<double> plain = TakePlainDecimal(plainEnd, text.data() + text.size());
        plain && plainEnd == text.data() + text.size()) {
        return plain;
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const DecimalShape shape = ScanDecimal(text, separator);
    if (!shape.valid) {
        return std::nullopt;
    }
    if (const std::optional<double> fast = FastDecimal(shape)) {
        return negative ? -*fast : *fast;
    }
    const std::size_t separatorAt = shape.separatorAt;
    double value = 0.0;
    std::from_chars_result result{};
    if (separatorAt != std::string_view::npos && text[separatorAt] != '.') {
        std::string copy(text.substr(0, separatorAt));
        copy += '.';
        copy += text.substr(separatorAt + shape.separatorSize);
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

std::optional<float> ParseDecimalFloat(std::string_view text, std::string_view separator) {
    const std::optional<double> value = ParseDecimalDouble(text, separator);
    if (!value || std::fabs(*value) > static_cast<double>(std::numeric_limits<float>::max())) {
        return std::nullopt;
    }
    return static_cast<float>(*value);
}
