#include "core/live/laptime.h"

#include <cmath>
#include <charconv>

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
    // Written digit by digit: the strips and the class gaps format dozens of these in every
    // reading. The minutes of the largest float have 37 digits.
    char buffer[64];
    char* end = buffer;
    const auto digit = [&end](int value) { *end++ = static_cast<char>('0' + value); };
    if (shortForm && minutes == 0.0) {
        end = std::to_chars(end, buffer + sizeof buffer, wholeSeconds).ptr;
    } else {
        end = std::to_chars(end, buffer + sizeof buffer, minutes, std::chars_format::fixed, 0).ptr;
        *end++ = ':';
        digit(wholeSeconds / 10);
        digit(wholeSeconds % 10);
    }
    *end++ = '.';
    digit(fraction / 100);
    digit(fraction / 10 % 10);
    digit(fraction % 10);
    return std::string(buffer, end);
}

std::string GapBehindText(int32_t lapsDown, float timeDown) {
    if (lapsDown >= 1) {
        return "+" + std::to_string(lapsDown) + "L";
    }
    return "+" + LapTimeText(timeDown, true);
}
