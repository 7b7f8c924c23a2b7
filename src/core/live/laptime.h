#pragma once

#include <string>

/// A lap time in seconds as text: "1:23.456", or in the short form "5.200" when under a minute.
/// A negative time (no time), NaN or infinity gives "---".
std::string LapTimeText(float seconds, bool shortForm = false);
