#pragma once
// Text as JSON and CSV write it. The input is UTF-8; a byte that is not part of a valid UTF-8
// character becomes U+FFFD, so what is written is always valid UTF-8 and nothing is dropped
// without a mark.

#include <string>
#include <string_view>

/// `text` as a JSON string, quotes included.
std::string JsonQuoted(std::string_view text);

/// `text` as one CSV field: quoted when it holds a comma, a quote, a line break or leading or
/// trailing blanks, with quotes doubled; plain otherwise.
std::string CsvField(std::string_view text);
