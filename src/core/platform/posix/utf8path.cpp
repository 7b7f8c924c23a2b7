#include "core/platform/utf8path.h"

// File names here are bytes; UTF-8 by convention, anything else passes through as it is.
std::filesystem::path Utf8Path(std::string_view text) {
    return std::filesystem::path(std::string(text));
}

std::string PathText(const std::filesystem::path& path) {
    return path.native();
}
