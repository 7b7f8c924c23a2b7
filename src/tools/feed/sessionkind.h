#pragma once
// The kinds of session the feed can simulate, and their names in the live file and file names.

#include <string_view>

enum class SessionKind { Practice, Qualify, Warmup, Race };

/// The text of the "Session=" key; readers test "Race" and "Warmup" exactly.
constexpr std::string_view SessionText(SessionKind kind) {
    switch (kind) {
    case SessionKind::Practice:
        return "Practice";
    case SessionKind::Qualify:
        return "Qualify";
    case SessionKind::Warmup:
        return "Warmup";
    case SessionKind::Race:
        break;
    }
    return "Race";
}

/// The lower-case word used on the command line and in file names.
constexpr std::string_view SessionWord(SessionKind kind) {
    switch (kind) {
    case SessionKind::Practice:
        return "practice";
    case SessionKind::Qualify:
        return "qualify";
    case SessionKind::Warmup:
        return "warmup";
    case SessionKind::Race:
        break;
    }
    return "race";
}
