#include "core/platform/collation.h"

#include "core/platform/localetext.h"

#include <unicode/ucol.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

/// The collation locale from the environment, in ICU's form ("de_DE.UTF-8@euro" -> "de_DE");
/// "" (ICU's root collation) for C and POSIX.
std::string UserCollationLocale() {
    for (const char* variable : {"LC_ALL", "LC_COLLATE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value == nullptr || value[0] == '\0') {
            continue;
        }
        std::string name = value;
        name = name.substr(0, name.find_first_of(".@"));
        return name == "C" || name == "POSIX" ? std::string() : name;
    }
    return {};
}

/// Opened once; ICU allows comparisons with one collator from several threads. Never closed:
/// a reader thread left behind in a stalled share's I/O may still sort the folder's names
/// while the program's statics are being torn down.
UCollator* UserCollator() {
    static UCollator* const collator = [] {
        UErrorCode status = U_ZERO_ERROR;
        UCollator* opened = ucol_open(UserCollationLocale().c_str(), &status);
        if (U_FAILURE(status)) {
            if (opened != nullptr) {
                ucol_close(opened);
            }
            return static_cast<UCollator*>(nullptr);
        }
        // Secondary strength: accents count, case does not.
        ucol_setStrength(opened, UCOL_SECONDARY);
        return opened;
    }();
    return collator;
}

} // namespace

int CollateIgnoreCase(std::string_view a, std::string_view b) {
    UCollator* collator = UserCollator();
    if (collator == nullptr) {
        return CompareIgnoreCase(a, b);
    }
    const std::u16string ua = DecodeTextUtf16(a);
    const std::u16string ub = DecodeTextUtf16(b);
    const UCollationResult order = ucol_strcoll(
        collator, reinterpret_cast<const UChar*>(ua.data()), static_cast<int32_t>(ua.size()),
        reinterpret_cast<const UChar*>(ub.data()), static_cast<int32_t>(ub.size()));
    if (order != UCOL_EQUAL) {
        return order == UCOL_LESS ? -1 : 1;
    }
    return a.compare(b);
}
