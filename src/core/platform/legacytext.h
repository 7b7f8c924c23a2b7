#pragma once
// Text that is not UTF-8: what a plug-in writes in the system's own code page.

#include <string>
#include <string_view>

/// The code page such text is read in: Windows-1252 on POSIX systems (the plug-ins run on
/// Windows, mostly Western ones); on Windows the system's ANSI code page (GetACP: 1252 on a
/// Western system, 932 on a Japanese one), which is what a plug-in there writes.
unsigned LegacyCodePage();

/// The characters of `text` read in LegacyCodePage(). Bytes the code page has no character
/// for become U+FFFD, so no byte is ever lost without a mark.
std::u32string DecodeLegacyText(std::string_view text);
