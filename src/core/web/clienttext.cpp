#include "core/web/clienttext.h"

#include "core/platform/utf8text.h"

#include <cstdint>
#include <cstdio>

namespace {

/// One character of UTF-8 at the start of `text`: its code point and length; length 0 when
/// the bytes there are not a valid UTF-8 character.
struct TCodePoint {
    uint32_t Value = 0;
    std::size_t Length = 0;
};

TCodePoint NextCodePoint(std::string_view text) {
    std::size_t end = 0;
    char32_t value = 0;
    if (!DecodeUtf8(text, end, value)) {
        return {};
    }
    return {static_cast<uint32_t>(value), end};
}

bool IsControl(uint32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

bool IsSeparator(uint32_t c) {
    return c == 0x2028 || c == 0x2029;
}

/// The marks and embeddings, overrides and isolates that change the direction of what follows.
bool IsBidiControl(uint32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

std::string CodePointName(uint32_t c) {
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c));
    return name;
}

} // namespace

std::string LogSafe(std::string_view text) {
    std::string safe;
    safe.reserve(text.size());
    while (!text.empty()) {
        const TCodePoint c = NextCodePoint(text);
        char escape[16];
        if (c.Length == 0) {
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(text[0]));
            safe += escape;
            text.remove_prefix(1);
            continue;
        }
        if (c.Value == '\\') {
            safe += "\\\\";
        } else if (c.Value < 0x80 && IsControl(c.Value)) {
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(c.Value));
            safe += escape;
        } else if (IsControl(c.Value) || IsSeparator(c.Value) || IsBidiControl(c.Value)) {
            std::snprintf(escape, sizeof escape, "\\u{%04X}", static_cast<unsigned>(c.Value));
            safe += escape;
        } else {
            safe.append(text.substr(0, c.Length));
        }
        text.remove_prefix(c.Length);
    }
    return safe;
}

std::optional<std::string> OneLineTextProblem(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        const TCodePoint c = NextCodePoint(text.substr(at));
        if (c.Length == 0) {
            return "it is not valid UTF-8 (at byte " + std::to_string(at) + ")";
        }
        if (IsControl(c.Value)) {
            return "it holds a control character (" + CodePointName(c.Value) + ")";
        }
        if (IsSeparator(c.Value)) {
            return "it holds a line separator (" + CodePointName(c.Value) + ")";
        }
        if (IsBidiControl(c.Value)) {
            return "it holds a bidirectional control (" + CodePointName(c.Value) + ")";
        }
        at += c.Length;
    }
    return std::nullopt;
}
