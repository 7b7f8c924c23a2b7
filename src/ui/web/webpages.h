#pragma once
// The text of the server's built-in pages, from the files of ui/web/pages built into it as Qt
// resources.

#include "core/web/webroutes.h"

#include <string>

/// `page` as it is served: the index with the windows' sizes, the tower's or the ticker's page
/// with its name and script.
std::string PageText(TBuiltInPage page, const TWebSizes& sizes);
