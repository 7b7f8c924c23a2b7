#include "core/platform/localeinfo.h"

#include "core/platform/windows/wintext.h"

std::string SystemDecimalSeparator() {
    wchar_t separator[8] = {};
    const int length = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator,
                                         static_cast<int>(std::size(separator)));
    if (length <= 1) {
        return ".";
    }
    return Utf8Text(std::wstring_view(separator, static_cast<std::size_t>(length - 1)));
}

std::optional<std::tm> LocalTimeOf(std::time_t when) {
    std::tm local{};
    if (::localtime_s(&local, &when) != 0) {
        return std::nullopt;
    }
    return local;
}
