#pragma once
// Text that a client sent, made safe before it reaches the log or the air. A client may send
// anything: a control character or a line separator would start a forged line in the Logs
// tab, and a bidirectional control would turn the rest of a line around.

#include <optional>
#include <string>
#include <string_view>

/// `text` as a log line may quote it: control characters (C0, DEL, C1), U+2028, U+2029 and
/// the bidirectional controls become `\xNN` or `\u{XXXX}`, and so does every byte that is not
/// part of a valid UTF-8 character; a backslash is doubled, so no escape can be forged.
std::string LogSafe(std::string_view text);

/// Why `text` cannot be one line on air, or nothing when it can: it must be valid UTF-8 with
/// no control character, line or paragraph separator or bidirectional control. The reason
/// names the first offending character, as "U+2028".
std::optional<std::string> OneLineTextProblem(std::string_view text);
