#include "core/platform/collation.h"

#include "core/platform/localetext.h"
#include "core/platform/windows/wintext.h"

int CollateIgnoreCase(std::string_view a, std::string_view b) {
    const std::u16string ua = DecodeTextUtf16(a);
    const std::u16string ub = DecodeTextUtf16(b);
    const int order = ::CompareStringEx(
        LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE, reinterpret_cast<const wchar_t*>(ua.data()),
        static_cast<int>(ua.size()), reinterpret_cast<const wchar_t*>(ub.data()),
        static_cast<int>(ub.size()), nullptr, nullptr, 0);
    if (order == 0) {
        return CompareIgnoreCase(a, b);
    }
    if (order != CSTR_EQUAL) {
        return order == CSTR_LESS_THAN ? -1 : 1;
    }
    return a.compare(b);
}
