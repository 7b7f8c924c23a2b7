#include "core/live/laptime.h"

#include <cmath>
#include <cstdio>

std::string LapTimeText(float seconds, bool shortForm) {
    if (!std::isfinite(seconds) || seconds < 0.0f) {
        return "---";
    }
    // Rounded to whole milliseconds before the split, so a time just under a minute shows as
    // the next minute ("2:00.000", never "1:60.000"). A float times 1000 is exact in a double,
    // and nearbyint rounds halves to even as printf would. Adding 0.0 turns -0 into 0, so a
    // "-0.000" from the file does not print a minus sign.
    const double millis = std::nearbyint(static_cast<double>(seconds) * 1000.0) + 0.0;
    const double rest = std::fmod(millis, 60000.0); // exact: 0..59999
    const double minutes = (millis - rest) / 60000.0;
    const int restMillis = static_cast<int>(rest);
    const int wholeSeconds = restMillis / 1000;
    const int fraction = restMillis % 1000;
    char buffer[64];
    if (shortForm && minutes == 0.0) {
        std::snprintf(buffer, sizeof buffer, "%d.%03d", wholeSeconds, fraction);
    } else {
        std::snprintf(buffer, sizeof buffer, "%.0f:%02d.%03d", minutes, wholeSeconds, fraction);
    }
    return buffer;
}

std::string GapBehindText(int32_t lapsDown, float timeDown) {
    if (lapsDown >= 1) {
        return "+" + std::to_string(lapsDown) + "L";
    }
    return "+" + LapTimeText(timeDown, true);
}
