#include "core/platform/intvalue.h"

#include "core/platform/numbers.h"

#include <charconv>

std::optional<int32_t> ParseIntValue(std::string_view text) {
    bool negative = false;
    std::string_view body = text;
    if (!body.empty() && (body.front() == '-' || body.front() == '+')) {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    std::string_view hex;
    if (!body.empty() && body.front() == '$') {
        hex = body.substr(1);
    } else if (body.size() >= 2 && body[0] == '0' && (body[1] == 'x' || body[1] == 'X')) {
        hex = body.substr(2);
    } else {
        return ParseDecimalInt(text);
    }
    uint64_t wide = 0;
    auto [end, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), wide, 16);
    if (hex.empty() || ec != std::errc() || end != hex.data() + hex.size() ||
        wide > 0xFFFFFFFFull) {
        return std::nullopt;
    }
    const auto bits = static_cast<uint32_t>(wide);
    const uint32_t value = negative ? 0u - bits : bits;
    return static_cast<int32_t>(value);
}
