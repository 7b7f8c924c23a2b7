#include "core/messages/markup.h"

#include <algorithm>

namespace {

/// Digits only, whose value is 1: "1", "01", "001". Signs and blanks make it no number.
bool ReadsAsOne(std::string_view text) {
    if (text.empty() ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    const std::size_t firstNonZero = text.find_first_not_of('0');
    return firstNonZero == text.size() - 1 && text.back() == '1';
}

void AddPlain(std::vector<TMarkupStretch>& stretches, std::string_view text, bool gapAfter) {
    if (text.empty()) {
        return;
    }
    stretches.push_back({false, std::string(text), false, gapAfter});
}

void AddBox(std::vector<TMarkupStretch>& stretches, std::string_view text) {
    if (text.empty()) {
        return;
    }
    stretches.push_back({true, std::string(text), ReadsAsOne(text), true});
}

} // namespace

std::vector<TMarkupStretch> ParseMarkup(std::string_view text) {
    std::vector<TMarkupStretch> stretches;
    std::string_view rest = text;
    // Each round takes the plain stretch up to an opening "#", then, when a closing "#" exists,
    // the box between them. A lone "#" is consumed as an opener and only leaves its gap.
    for (std::size_t open = rest.find('#'); open != std::string_view::npos; open = rest.find('#')) {
        AddPlain(stretches, rest.substr(0, open), true);
        rest.remove_prefix(open + 1);
        const std::size_t close = rest.find('#');
        if (close == std::string_view::npos) {
            break;
        }
        AddBox(stretches, rest.substr(0, close));
        rest.remove_prefix(close + 1);
    }
    AddPlain(stretches, rest, false);
    return stretches;
}

TMarkupLayout LayoutMarkup(const std::vector<TMarkupStretch>& stretches,
                           const std::function<int(std::string_view)>& textWidth) {
    const int space = textWidth(" ");
    const int halfSpace = space / 2;
    const int boxWidth = textWidth("###");
    TMarkupLayout layout;
    int x = space;
    for (const TMarkupStretch& stretch : stretches) {
        layout.Left.push_back(x);
        x += stretch.Box ? boxWidth : textWidth(stretch.Text);
        if (stretch.HalfSpaceAfter) {
            x += halfSpace;
        }
    }
    layout.Width = x + space;
    return layout;
}
