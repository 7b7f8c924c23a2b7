#include "core/messages/recentmessages.h"

#include "core/messages/markup.h"
#include "core/platform/jsontext.h"
#include "core/platform/localetext.h"

#include <algorithm>
#include <vector>

std::string PlainMessageText(std::string_view markup) {
    // Decoded first: "#" is the same byte in UTF-8, and dropping the markup's "#" from bytes
    // of the legacy code page could make them read as UTF-8 that was never meant.
    const std::string text = LiveTextUtf8(markup);
    std::string plain;
    plain.reserve(text.size());
    bool gapBefore = false;
    for (const TMarkupStretch& stretch : ParseMarkup(text)) {
        // ParseMarkup drops empty stretches, so front() is safe.
        if (gapBefore && !plain.empty() && plain.back() != ' ' && stretch.Text.front() != ' ') {
            plain += ' ';
        }
        plain += stretch.Text;
        gapBefore = stretch.HalfSpaceAfter;
    }
    return plain;
}

void TRecentMessages::Add(std::string_view title, std::string_view text, int seconds,
                          TSteadyTime now) {
    Kept.push_back({now, PlainMessageText(title), PlainMessageText(text), seconds});
    while (!Kept.empty() && (Kept.size() > Limit || now - Kept.front().Posted > Window)) {
        Kept.pop_front();
    }
}

void TRecentMessages::AddFrom(const TReadingResult& result, TSteadyTime now) {
    for (const TNotice& notice : result.Notices) {
        if (notice.IsEvent) {
            Add(notice.Title, notice.Text, notice.Seconds, now);
        }
    }
}

std::string TRecentMessages::Json(TSteadyTime now) const {
    std::string out = "[";
    bool first = true;
    for (auto it = Kept.rbegin(); it != Kept.rend(); ++it) {
        const auto age = now - it->Posted;
        if (age > Window) {
            continue;
        }
        const auto ageSeconds =
            std::max<long long>(0, std::chrono::duration_cast<std::chrono::seconds>(age).count());
        out += first ? "" : ",";
        first = false;
        out += "{\"ageSeconds\":" + std::to_string(ageSeconds) +
               ",\"title\":" + JsonQuoted(it->Title) + ",\"text\":" + JsonQuoted(it->Text) +
               ",\"seconds\":" + std::to_string(it->Seconds) + "}";
    }
    return out + "]";
}
