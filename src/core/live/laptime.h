#pragma once

#include <cstdint>
#include <string>

/// A lap time in seconds as text: "1:23.456", or in the short form "5.200" when under a minute.
/// A negative time (no time), NaN or infinity gives "---".
std::string LapTimeText(float seconds, bool shortForm = false);

/// A deficit as the gap strips write it: "+<n>L" a lap or more down, else "+<short time>"
/// ("+5.200", "+1:02.345"). Other outputs of the standings show gaps in the same form.
std::string GapBehindText(int32_t lapsDown, float timeDown);
