#include "core/platform/localetext.h"

#include "core/platform/legacytext.h"

#include <algorithm>
#include <cstdint>

namespace {

char32_t FoldCodePoint(char32_t c) {
    if (c >= 'A' && c <= 'Z') {
        return c + 32;
    }
    if (c < 0x80) {
        return c;
    }
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
        return c + 32;
    }
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
        c != 0x17F) {
        // Latin Extended-A pairs upper/lower as even/odd, shifted by one in 0x139..0x148 and
        // 0x179..0x17E.
        const bool shifted = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (shifted) {
            return (c % 2 == 1) ? c + 1 : c;
        }
        return (c % 2 == 0) ? c + 1 : c;
    }
    if (c == 0x178) {
        return 0xFF;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) {
        return c + 32; // Greek
    }
    if (c >= 0x410 && c <= 0x42F) {
        return c + 32; // Cyrillic
    }
    if (c >= 0x400 && c <= 0x40F) {
        return c + 80;
    }
    if (c >= 0xFF21 && c <= 0xFF3A) {
        return c + 32; // full-width Latin
    }
    return c;
}

} // namespace

std::u32string DecodeText(std::string_view text) {
    std::u32string decoded;
    decoded.reserve(text.size());
    if (IsValidUtf8(text)) {
        std::size_t i = 0;
        char32_t c = 0;
        while (i < text.size() && DecodeUtf8(text, i, c)) {
            decoded.push_back(c);
        }
        return decoded;
    }
    return DecodeLegacyText(text);
}

std::u32string FoldCase(std::string_view text) {
    std::u32string folded = DecodeText(text);
    for (char32_t& c : folded) {
        c = FoldCodePoint(c);
    }
    return folded;
}

namespace {

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() == b.size() && a == b) {
        return true;
    }
    // ASCII reads the same in every code page and folds to a-z alone: no decoding needed. A
    // profile lookup compares every key of the file this way.
    if (IsAscii(a) && IsAscii(b)) {
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(),
                          [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
    }
    return FoldCase(a) == FoldCase(b);
}

int CompareIgnoreCase(std::string_view a, std::string_view b) {
    const std::u32string fa = FoldCase(a);
    const std::u32string fb = FoldCase(b);
    if (fa != fb) {
        return fa < fb ? -1 : 1;
    }
    return a.compare(b);
}

std::u16string DecodeTextUtf16(std::string_view text) {
    std::u16string units;
    for (char32_t c : DecodeText(text)) {
        if (c >= 0x10000) {
            c -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(c));
        }
    }
    return units;
}

std::string LiveTextUtf8(std::string_view bytes) {
    if (IsValidUtf8(bytes)) {
        return std::string(bytes);
    }
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char32_t c : DecodeText(bytes)) {
        AppendUtf8(out, c);
    }
    return out;
}
