#pragma once
// The order of file names as the operator's desktop shows them: the user's locale collation,
// without regard to case.

#include <string_view>

/// Orders two names by the collation of the user's locale (LC_ALL, LC_COLLATE or LANG), case
/// ignored, so "race_live.txt" comes before "race2_live.txt" and "été" sorts with "e". Texts
/// that are not UTF-8 are read in the legacy code page (legacytext.h). Ties are broken by the bytes, so the order is
/// total. Falls back to CompareIgnoreCase (code points) where no collation can be opened.
int CollateIgnoreCase(std::string_view a, std::string_view b);
