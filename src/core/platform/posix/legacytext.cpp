#include "core/platform/legacytext.h"

namespace {

/// Windows-1252 bytes 0x80..0x9F; the rest of the single-byte range equals Latin-1.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

unsigned LegacyCodePage() {
    return 1252;
}

std::u32string DecodeLegacyText(std::string_view text) {
    std::u32string decoded;
    decoded.reserve(text.size());
    for (char raw : text) {
        const auto b = static_cast<unsigned char>(raw);
        decoded.push_back((b >= 0x80 && b < 0xA0) ? Cp1252High[b - 0x80] : b);
    }
    return decoded;
}
