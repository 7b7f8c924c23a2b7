#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

/// An integer setting: decimal with an optional sign, or hexadecimal after "$", "0x" or "0X"
/// (hex digits give the 32-bit pattern, so $FF0000FF is a system colour). nullopt when the
/// text is empty or does not read.
std::optional<int32_t> ParseIntValue(std::string_view text);
