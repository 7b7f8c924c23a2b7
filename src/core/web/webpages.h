#pragma once
// The browser-source pages, built into the program: an index and one page per broadcast
// window, whose script draws the pictures the live channel pushes.

#include "core/web/webroutes.h"

#include <string>

/// "/": the pages with their sizes and how to add them to streaming software.
std::string IndexPage(const TWebSizes& sizes);

/// "/tower" or "/ticker".
std::string PictureHtml(TWebPage page);
