#pragma once
// Text comparisons that ignore case the way an operator expects: ASCII letters, and the letters
// of UTF-8 text (or of the legacy code page's text when it is not UTF-8, see legacytext.h) in the
// Latin, Greek and Cyrillic ranges.

#include "core/platform/utf8text.h"

#include <string>
#include <string_view>

/// The characters of a byte text: UTF-8 when the bytes are valid UTF-8, else the legacy code
/// page's (Windows-1252 on POSIX, the ANSI code page on Windows).
std::u32string DecodeText(std::string_view text);

/// DecodeText as UTF-16, the form the system's collation takes.
std::u16string DecodeTextUtf16(std::string_view text);

/// Case-folded copy used for comparing; never shown.
std::u32string FoldCase(std::string_view text);

/// True when the two texts are equal without regard to case.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

/// Orders two texts without regard to case: negative, 0 or positive. Ties between texts that
/// differ only in case are broken by their bytes so the order is total.
int CompareIgnoreCase(std::string_view a, std::string_view b);

/// Live-file bytes as UTF-8: kept as they are when valid UTF-8, else read in the legacy code
/// page, as the windows show them.
std::string LiveTextUtf8(std::string_view bytes);
