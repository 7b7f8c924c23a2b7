#include "live/laptime.h"

#include <cmath>
#include <cstdio>

std::string LapTimeText(float seconds, bool shortForm) {
    if (!std::isfinite(seconds) || seconds < 0.0f) {
        return "---";
    }
    const double time = seconds;
    const double minutes = std::trunc(time / 60.0);
    char buffer[64];
    if (shortForm && minutes == 0.0) {
        std::snprintf(buffer, sizeof buffer, "%.3f", time);
    } else {
        std::snprintf(buffer, sizeof buffer, "%.0f:%06.3f", minutes, time - 60.0 * minutes);
    }
    return buffer;
}
