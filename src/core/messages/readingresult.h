#pragma once
// What one reading of the live file changed, for the windows to show: the reload cycle and
// race event detection fill it, and ApplyReadingResult (readingsink.h) applies it.

#include "core/messages/raceevent.h"

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

/// The main window's labels that the reload cycle writes.
enum class TLabel { FileName, Session, Phase, Flags };

/// A message for the ticker's queue, or a line for the log.
struct TNotice {
    bool IsEvent = false;
    /// The event's title, or the log line.
    std::string Title;
    std::string Text;
    int Seconds = 0;
};

struct TReadingResult {
    /// The records were merged: the tower rebuilds its rows, when shown.
    bool Merged = false;
    /// The labels written, by TLabel; the others keep their text.
    std::array<std::optional<std::string>, 4> Labels;
    /// Ticker messages and log lines, in the order they arose.
    std::vector<TNotice> Notices;
    /// What the status line shows changed (the phase, the leader's lap, another file): it is
    /// drawn again, when the ticker is shown.
    bool RefreshStatus = false;
    /// A ranking strip must stop (a finisher, a full-course yellow).
    bool StopRanking = false;
    /// Another file is followed: read it at once.
    bool ReadNow = false;
    /// A reading held back is to be looked at again after this long, with no write to wake it.
    std::optional<std::chrono::milliseconds> ReadAgainAfter;

    void SetLabel(TLabel label, std::string text) {
        Labels[static_cast<std::size_t>(label)] = std::move(text);
    }
    void Log(std::string line) { Notices.push_back({false, std::move(line), {}, 0}); }
    void Event(std::string title, std::string text, int seconds) {
        Notices.push_back({true, std::move(title), std::move(text), seconds});
    }
    /// Takes in what `later` changed after this, as one result.
    void Add(TReadingResult later);
};
