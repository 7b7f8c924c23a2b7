#include "core/platform/localeinfo.h"

#include <clocale>

std::string SystemDecimalSeparator() {
    // The C library's current locale: the program sets it from the environment at start.
    const std::lconv* conv = std::localeconv();
    if (conv == nullptr || conv->decimal_point == nullptr || conv->decimal_point[0] == '\0') {
        return ".";
    }
    return conv->decimal_point;
}

std::optional<std::tm> LocalTimeOf(std::time_t when) {
    std::tm local{};
    if (::localtime_r(&when, &local) == nullptr) {
        return std::nullopt;
    }
    return local;
}
