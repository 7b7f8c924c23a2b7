#pragma once
// The race messages of the last minutes, for graphics engines that show their own ticker or
// a message log: the ticker's queue forgets a message once shown, this keeps it a while.

#include "core/messages/readingresult.h"
#include "core/platform/localetext.h"
#include "core/platform/steadyclock.h"

#include <chrono>
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

/// A message text without the number-box markup: a box keeps its figures, and where the ticker
/// leaves a gap between two stretches that touch, a space stands in. UTF-8, as LiveTextUtf8.
std::string PlainMessageText(std::string_view markup);

struct TRecentMessage {
    TSteadyTime Posted;
    /// Plain UTF-8 text (PlainMessageText), ready to write.
    std::string Title;
    std::string Text;
    /// How long the ticker shows it.
    int Seconds = 0;
};

class TRecentMessages {
  public:
    /// Enough for a busy race's last minutes; a poller never needs more.
    static constexpr std::size_t DefaultLimit = 500;
    static constexpr std::chrono::minutes DefaultWindow{10};

    explicit TRecentMessages(std::size_t limit = DefaultLimit,
                             std::chrono::steady_clock::duration window = DefaultWindow)
        : Limit(limit), Window(window) {}

    /// Keeps one message posted at `now` (title and text may carry the ticker's markup), then
    /// drops the oldest past the limit and those older than the window.
    void Add(std::string_view title, std::string_view text, int seconds, TSteadyTime now);
    /// Keeps the reading's ticker messages (its notices that are events), in their order.
    void AddFrom(const TReadingResult& result, TSteadyTime now);

    /// A JSON array of flat objects {"ageSeconds", "title", "text", "seconds"}, newest first;
    /// messages older than the window at `now` are left out. Ages are whole seconds, so the
    /// text changes at most once a second.
    std::string Json(TSteadyTime now) const;

    /// Oldest first.
    const std::deque<TRecentMessage>& Messages() const { return Kept; }

  private:
    std::size_t Limit;
    std::chrono::steady_clock::duration Window;
    std::deque<TRecentMessage> Kept;
};
