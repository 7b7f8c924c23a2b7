#include "core/live/textencoding.h"

#include "core/platform/localetext.h"

#include <algorithm>
#include <cstddef>

namespace {

std::string Utf16ToUtf8(const std::string& bytes, bool bigEndian) {
    const auto unitAt = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    std::string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            unit = 0xFFFD;
        }
        AppendUtf8(text, unit);
    }
    return text;
}

/// Text in UTF-16 has a zero in nearly every other byte where it is ASCII, as live files are;
/// text in any byte form has none.
bool LooksLikeUtf16(const std::string& bytes) {
    const std::size_t looked = std::min<std::size_t>(bytes.size(), 512) & ~std::size_t{1};
    if (looked < 8) {
        return false;
    }
    std::size_t zeros[2] = {0, 0};
    for (std::size_t i = 0; i < looked; i += 2) {
        zeros[0] += bytes[i] == '\0';
        zeros[1] += bytes[i + 1] == '\0';
    }
    const std::size_t half = looked / 2;
    return std::max(zeros[0], zeros[1]) * 10 >= half * 7;
}

} // namespace

std::string LiveTextBytes(std::string bytes, TTextEncoding& encoding) {
    encoding = TTextEncoding::Bytes;
    if (bytes.size() >= 2) {
        const auto first = static_cast<unsigned char>(bytes[0]);
        const auto second = static_cast<unsigned char>(bytes[1]);
        if ((first == 0xFF && second == 0xFE) || (first == 0xFE && second == 0xFF)) {
            encoding = TTextEncoding::Utf16;
            return Utf16ToUtf8(bytes, first == 0xFE);
        }
    }
    if (LooksLikeUtf16(bytes)) {
        encoding = TTextEncoding::Utf16WithoutMark;
    }
    return bytes;
}
