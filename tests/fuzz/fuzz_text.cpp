// The small text routines under every window: number-box markup, lap times, display names,
// number and colour settings. Besides surviving any bytes, each result is checked against what
// the routine promises or against the C library, and a broken promise aborts.
//
// Input: byte 0 holds the decimal separator (top bit) and a signed name length; the rest is the
// text. Lap times are read from every four bytes of the text as float bit patterns, so NaN and
// infinities come up.

#include "core/live/laptime.h"
#include "core/live/names.h"
#include "core/messages/markup.h"
#include "core/platform/colornames.h"
#include "core/platform/intvalue.h"
#include "core/platform/localetext.h"
#include "core/platform/numbers.h"

#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void Violated(const char* what, std::string_view input) {
    std::fprintf(stderr, "text property violated: %s for \"%.*s\"\n", what,
                 static_cast<int>(input.size()), input.data());
    std::abort();
}

void Require(bool holds, const char* what, std::string_view input) {
    if (!holds) {
        Violated(what, input);
    }
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool AllDigits(std::string_view text) {
    for (char c : text) {
        if (!IsDigit(c)) {
            return false;
        }
    }
    return !text.empty();
}

std::string_view WithoutSign(std::string_view text) {
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        text.remove_prefix(1);
    }
    return text;
}

/// Every byte outside a "#" pair is kept, in order, in some stretch; only the "#" go.
void CheckMarkup(std::string_view text) {
    const std::vector<TMarkupStretch> stretches = ParseMarkup(text);
    std::string joined;
    for (const TMarkupStretch& stretch : stretches) {
        Require(!stretch.Text.empty(), "an empty stretch", text);
        Require(!stretch.Box || stretch.HalfSpaceAfter, "a box without its gap", text);
        Require(stretch.Box || !stretch.IsOne, "a plain stretch marked as one", text);
        joined += stretch.Text;
    }
    std::string expected;
    for (char c : text) {
        if (c != '#') {
            expected += c;
        }
    }
    Require(joined == expected, "markup lost or added text", text);
    const TMarkupLayout layout = LayoutMarkup(
        stretches, [](std::string_view s) { return 1 + 7 * static_cast<int>(s.size()); });
    Require(layout.Left.size() == stretches.size(), "not one left edge per stretch", text);
    for (std::size_t i = 1; i < layout.Left.size(); ++i) {
        Require(layout.Left[i] > layout.Left[i - 1], "stretches overlap", text);
    }
}

/// "---" exactly for no time; otherwise minutes, then seconds below 60 with three decimals,
/// and the short form drops "0:" only.
void CheckLapTime(float seconds, std::string_view input) {
    const std::string full = LapTimeText(seconds, false);
    const std::string brief = LapTimeText(seconds, true);
    if (!std::isfinite(seconds) || seconds < 0.0f) {
        Require(full == "---" && brief == "---", "no time not shown as ---", input);
        return;
    }
    const std::size_t colon = full.find(':');
    Require(colon != std::string::npos, "a lap time without minutes", input);
    const std::string_view minutes = std::string_view(full).substr(0, colon);
    const std::string_view rest = std::string_view(full).substr(colon + 1);
    Require(AllDigits(minutes), "minutes are not digits", input);
    Require(rest.size() == 6 && AllDigits(rest.substr(0, 2)) && rest[2] == '.' &&
                AllDigits(rest.substr(3)),
            "seconds not as 00.000", input);
    Require(rest[0] < '6', "sixty seconds or more shown", input);
    if (minutes == "0") {
        const std::string_view expectedBrief = rest[0] == '0' ? rest.substr(1) : rest;
        Require(brief == expectedBrief, "short form is not the seconds alone", input);
    } else {
        Require(brief == full, "short form differs past a minute", input);
    }
}

/// U+061C, U+200E/F, U+202A..E and U+2066..9 as UTF-8 bytes.
bool HasBidiControl(std::string_view text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        const auto b1 = static_cast<unsigned char>(text[i + 1]);
        if (b0 == 0xD8 && b1 == 0x9C) {
            return true;
        }
        if (b0 != 0xE2 || i + 2 >= text.size()) {
            continue;
        }
        const auto b2 = static_cast<unsigned char>(text[i + 2]);
        if ((b1 == 0x80 && (b2 == 0x8E || b2 == 0x8F || (b2 >= 0xAA && b2 <= 0xAE))) ||
            (b1 == 0x81 && b2 >= 0xA6 && b2 <= 0xA9)) {
            return true;
        }
    }
    return false;
}

void CheckNames(const std::string& name, int nameLength) {
    TPlayer player;
    player.Driver = name;
    const std::string shortName = ShortenName(name, nameLength);
    const std::string display = DisplayName(player, nameLength);
    player.Alias = name;
    const std::string aliased = DisplayName(player, nameLength);
    const std::size_t limit = nameLength > 0 ? static_cast<std::size_t>(nameLength) : 0;
    for (const std::string* result : {&shortName, &display, &aliased}) {
        Require(result->size() <= limit, "a display name longer than asked", name);
        for (char c : *result) {
            Require(!(c >= 'a' && c <= 'z'), "a lower-case letter in a display name", name);
        }
    }
    // Bidirectional controls are dropped from what is shown; otherwise it is the short name.
    // (A name that is not UTF-8 is shown in the legacy code page, where these bytes are letters.)
    Require(!IsValidUtf8(name) || (!HasBidiControl(display) && !HasBidiControl(aliased)),
            "a bidirectional control in a display name", name);
    if (!HasBidiControl(name)) {
        Require(shortName == display, "display name without alias is not the short name", name);
    }
}

/// Agrees with strtoll on every text of an optional sign and digits within 32 bits; anything
/// else does not convert.
void CheckDecimalInt(const std::string& text) {
    const std::optional<int32_t> parsed = ParseDecimalInt(text);
    const bool shaped = AllDigits(WithoutSign(text));
    errno = 0;
    const long long reference = shaped ? std::strtoll(text.c_str(), nullptr, 10) : 0;
    const bool fits = shaped && errno == 0 && reference >= INT32_MIN && reference <= INT32_MAX;
    Require(parsed.has_value() == fits, "integer accepted or refused wrongly", text);
    if (parsed) {
        Require(*parsed == reference, "integer read wrongly", text);
    }
}

/// A decimal number converts to what strtod gives (correctly rounded), and only a decimal
/// number converts. With "," as separator the text is compared with its "," read as ".".
void CheckDecimalDouble(const std::string& text, char separator) {
    const std::string_view separators(&separator, 1);
    const std::optional<double> parsed = ParseDecimalDouble(text, separators);
    const std::optional<float> single = ParseDecimalFloat(text, separators);
    if (!parsed) {
        Require(!single.has_value(), "a float from a text that is no double", text);
        return;
    }
    Require(std::isfinite(*parsed), "a number that is not finite", text);
    const std::string_view body = WithoutSign(text);
    Require(!body.empty() &&
                (IsDigit(body.front()) || body.front() == '.' || body.front() == separator),
            "a number that does not start with a digit", text);
    std::string dotted = text;
    if (separator != '.') {
        const std::size_t at = dotted.find(separator);
        if (at != std::string::npos && dotted.find('.') == std::string::npos) {
            dotted[at] = '.';
        }
    }
    char* end = nullptr;
    const double reference = std::strtod(dotted.c_str(), &end);
    Require(end == dotted.c_str() + dotted.size(), "strtod does not read the whole number", text);
    Require(reference == *parsed, "a decimal number read wrongly", text);
    if (std::fabs(*parsed) <= static_cast<double>(std::numeric_limits<float>::max())) {
        Require(single.has_value() && *single == static_cast<float>(*parsed),
                "float and double disagree", text);
    } else {
        Require(!single.has_value(), "a float out of range", text);
    }
}

/// Hexadecimal after "$", "0x" or "0X" gives the 32-bit pattern (negated by "-"); everything
/// else is read as a decimal integer.
void CheckIntValue(const std::string& text) {
    const std::optional<int32_t> parsed = ParseIntValue(text);
    const std::string_view body = WithoutSign(text);
    std::string_view hex;
    if (!body.empty() && body.front() == '$') {
        hex = body.substr(1);
    } else if (body.size() >= 2 && body[0] == '0' && (body[1] == 'x' || body[1] == 'X')) {
        hex = body.substr(2);
    } else {
        Require(parsed == ParseDecimalInt(text), "a decimal setting read unlike a number", text);
        return;
    }
    uint64_t value = 0;
    bool valid = !hex.empty();
    for (char c : hex) {
        const char* digits = "0123456789abcdef";
        const char* at = std::strchr(digits, c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
        if (c == '\0' || at == nullptr) {
            valid = false;
            break;
        }
        value = value * 16 + static_cast<uint64_t>(at - digits);
        if (value > 0xFFFFFFFFull) {
            valid = false;
            break;
        }
    }
    Require(parsed.has_value() == valid, "a hexadecimal setting accepted or refused wrongly", text);
    if (valid) {
        const uint32_t bits = static_cast<uint32_t>(value);
        const uint32_t expected = text.front() == '-' ? 0u - bits : bits;
        Require(static_cast<uint32_t>(*parsed) == expected, "a hexadecimal setting read wrongly",
                text);
    }
    ColorFromText(text);
}

/// The low seven bits as a signed number, -64..63: the top bit picks the decimal separator.
int NameLengthOf(uint8_t byte) {
    return (byte & 0x40) != 0 ? (byte & 0x7F) - 128 : byte & 0x7F;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const char separator = (data[0] & 0x80) != 0 ? ',' : '.';
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    CheckMarkup(text);
    for (std::size_t i = 0; i + 4 <= text.size(); i += 4) {
        float seconds = 0.0f;
        std::memcpy(&seconds, text.data() + i, sizeof seconds);
        CheckLapTime(seconds, text);
    }
    CheckNames(text, NameLengthOf(data[0]));
    CheckDecimalInt(text);
    CheckDecimalDouble(text, separator);
    CheckIntValue(text);
    return 0;
}
