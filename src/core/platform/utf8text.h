#pragma once
// UTF-8 one character at a time: what the live-file texts, the JSON bodies and the texts that
// clients send are checked and built with.

#include <cstddef>
#include <string>
#include <string_view>

/// Appends the UTF-8 bytes of the character `c` (at most U+10FFFF) to `out`.
void AppendUtf8(std::string& out, char32_t c);

/// Decodes the UTF-8 character at `i` into `out` and moves `i` past it; false, with both left
/// as they were, when the bytes there are not valid UTF-8 (overlong forms and surrogates
/// included).
bool DecodeUtf8(std::string_view text, std::size_t& i, char32_t& out);

/// True when the bytes are valid UTF-8.
bool IsValidUtf8(std::string_view text);
