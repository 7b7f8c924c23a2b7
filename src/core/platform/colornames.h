#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

/// Colour values: red in the lowest byte, then green, then blue. The top byte is 0 for plain
/// colours, 0xFF for a desktop system colour (low byte: its number).
using TColor = uint32_t;

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clWhite = 0xFFFFFF;

/// The colour a name stands for ("clRed", "clBtnFace", ...), matched without regard to case.
std::optional<TColor> ColorFromName(std::string_view name);

/// A colour name, or else a number written as for integers (decimal, or hex after "$", "0x"
/// or "0X"). nullopt when the text is neither.
std::optional<TColor> ColorFromText(std::string_view text);

/// Plain RGB for a colour value; system colours map to a fixed light desktop scheme.
uint32_t ColorToRgb(TColor color);
