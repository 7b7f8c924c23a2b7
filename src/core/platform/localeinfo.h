#pragma once
// What the user's regional settings say about numbers and time.

#include <ctime>
#include <optional>
#include <string>

/// The decimal separator of the user's number format, whole (some locales use one of more
/// than one byte, U+066B in UTF-8); "." when none is set.
std::string SystemDecimalSeparator();

/// `when` in the user's time zone; nullopt when the system cannot convert it.
std::optional<std::tm> LocalTimeOf(std::time_t when);
