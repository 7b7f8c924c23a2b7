#pragma once
// What the user's regional settings say about numbers.

#include <string>

/// The decimal separator of the user's number format, whole (some locales use one of more
/// than one byte, U+066B in UTF-8); "." when none is set.
std::string SystemDecimalSeparator();
