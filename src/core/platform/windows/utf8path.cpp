#include "core/platform/utf8path.h"

#include "core/platform/windows/wintext.h"

// The standard library's narrow paths on Windows are in the ANSI code page; the wide form is
// the system's own.
std::filesystem::path Utf8Path(std::string_view text) {
    return std::filesystem::path(WideText(text));
}

std::string PathText(const std::filesystem::path& path) {
    return Utf8Text(path.native());
}
