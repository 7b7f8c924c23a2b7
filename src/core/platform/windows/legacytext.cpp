#include "core/platform/legacytext.h"

#include "core/platform/windows/wintext.h"

#include <climits>

unsigned LegacyCodePage() {
    return ::GetACP();
}

std::u32string DecodeLegacyText(std::string_view text) {
    std::u32string decoded;
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) {
        return decoded;
    }
    const int size = static_cast<int>(text.size());
    // Without MB_ERR_INVALID_CHARS a byte with no character becomes U+FFFD (or the code
    // page's default character) instead of failing the whole text.
    const int units = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    if (units <= 0) {
        return std::u32string(text.size(), U'\uFFFD');
    }
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), units);
    decoded.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const char32_t unit = static_cast<char16_t>(wide[i]);
        const bool pair = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size() &&
                          wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF;
        if (pair) {
            decoded.push_back(0x10000 + ((unit - 0xD800) << 10) +
                              (static_cast<char16_t>(wide[++i]) - 0xDC00));
        } else {
            decoded.push_back(unit);
        }
    }
    return decoded;
}
