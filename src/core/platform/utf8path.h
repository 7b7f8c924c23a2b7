#pragma once
// Paths are UTF-8 text inside the program; these convert at the edge to the standard
// library's paths, whose narrow form on Windows is the ANSI code page, not UTF-8.

#include <filesystem>
#include <string>
#include <string_view>

/// The path a UTF-8 text names; never throws for bytes that are not UTF-8.
std::filesystem::path Utf8Path(std::string_view text);

/// The path as UTF-8 text.
std::string PathText(const std::filesystem::path& path);
