#pragma once
// The number-box markup of ticker texts: a "#" opens a box and the next "#" closes it. Only the
// splitting lives here; the message window measures and draws what this returns.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

/// One stretch of a message text: plain text, or the text of a number box.
struct TMarkupStretch {
    bool Box = false;
    std::string Text;
    /// The box text reads as the integer 1 (digits only, leading zeros allowed): a red box.
    bool IsOne = false;
    /// A gap of half a space (H = width of " " div 2) follows this stretch. Every plain stretch
    /// that ends at a "#" and every box has one; the trailing rest after the last "#" consumed
    /// (or the whole text when it holds no "#") has none, so the last stretch may lack it.
    bool HalfSpaceAfter = false;
};

/// Splits a message text as the ticker draws it: stretches in order, empty stretches dropped.
/// Draw them left to right from the cursor (title width + one space into the white box): a
/// plain stretch at the cursor, advancing by its width; a box as a filled rectangle the width of
/// "###" with its text centred, advancing by that width; then H more when HalfSpaceAfter.
/// An unpaired "#" therefore leaves only the half-space gap, and "##" leaves nothing.
std::vector<TMarkupStretch> ParseMarkup(std::string_view text);

/// Where the stretches go and how wide the text is, in the window's font.
struct TMarkupLayout {
    /// Left edge of each stretch, measured from the left edge of the text part of the box (the
    /// first stretch starts at one space).
    std::vector<int> Left;
    /// MarkupWidth: two spaces plus every stretch and gap; the white box holds title + this.
    int Width = 0;
};

/// Lays out parsed stretches with `textWidth`, the window font's width of a text. The space S
/// and the box width are measured as the widths of " " and "###".
TMarkupLayout LayoutMarkup(const std::vector<TMarkupStretch>& stretches,
                           const std::function<int(std::string_view)>& textWidth);
