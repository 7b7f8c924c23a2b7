#include "core/platform/colornames.h"

#include "core/platform/intvalue.h"
#include "core/platform/localetext.h"

#include <array>

namespace {

struct NamedColor {
    std::string_view name;
    TColor value;
};

constexpr NamedColor FixedColors[] = {
    {"clBlack", 0x000000},    {"clMaroon", 0x000080},     {"clGreen", 0x008000},
    {"clOlive", 0x008080},    {"clNavy", 0x800000},       {"clPurple", 0x800080},
    {"clTeal", 0x808000},     {"clGray", 0x808080},       {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},      {"clLime", 0x00FF00},       {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},     {"clFuchsia", 0xFF00FF},    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},    {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},    {"clMedGray", 0xA4A0A0},    {"clNone", clNone},
    {"clDefault", clDefault},
};

/// System colours by number; number 25 has no name.
constexpr std::string_view SystemColorNames[31] = {
    "clScrollBar",
    "clBackground",
    "clActiveCaption",
    "clInactiveCaption",
    "clMenu",
    "clWindow",
    "clWindowFrame",
    "clMenuText",
    "clWindowText",
    "clCaptionText",
    "clActiveBorder",
    "clInactiveBorder",
    "clAppWorkSpace",
    "clHighlight",
    "clHighlightText",
    "clBtnFace",
    "clBtnShadow",
    "clGrayText",
    "clBtnText",
    "clInactiveCaptionText",
    "clBtnHighlight",
    "cl3DDkShadow",
    "cl3DLight",
    "clInfoText",
    "clInfoBk",
    "",
    "clHotLight",
    "clGradientActiveCaption",
    "clGradientInactiveCaption",
    "clMenuHighlight",
    "clMenuBar",
};

/// A classic light desktop scheme, as 0x00BBGGRR, for the system colour numbers 0..30.
constexpr std::array<uint32_t, 31> SystemColorRgb = {
    0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
    0x000000, 0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xFF9933, 0xFFFFFF, 0xF0F0F0,
    0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
    0xE1FFFF, 0x000000, 0xCC6600, 0xEAD1B9, 0xF2E4D7, 0xFF9933, 0xF0F0F0,
};

} // namespace

std::optional<TColor> ColorFromName(std::string_view name) {
    for (const NamedColor& color : FixedColors) {
        if (EqualsIgnoreCase(color.name, name)) {
            return color.value;
        }
    }
    for (std::size_t i = 0; i < std::size(SystemColorNames); ++i) {
        if (!SystemColorNames[i].empty() && EqualsIgnoreCase(SystemColorNames[i], name)) {
            return 0xFF000000u | static_cast<TColor>(i);
        }
    }
    return std::nullopt;
}

std::optional<TColor> ColorFromText(std::string_view text) {
    if (std::optional<TColor> named = ColorFromName(text)) {
        return named;
    }
    if (std::optional<int32_t> number = ParseIntValue(text)) {
        return static_cast<TColor>(*number);
    }
    return std::nullopt;
}

uint32_t ColorToRgb(TColor color) {
    if ((color & 0xFF000000u) == 0xFF000000u) {
        const uint32_t index = color & 0xFFu;
        return index < SystemColorRgb.size() ? SystemColorRgb[index] : 0x000000;
    }
    return color & 0x00FFFFFFu;
}
