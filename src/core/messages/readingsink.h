#pragma once
// The windows as one reading's result changes them. The console implements this with its real
// windows, the headless windows as plain state; both go through ApplyReadingResult, so the
// program, the replay and the tests apply a reading the same way. Whatever else must follow a
// reading (a state pushed to control surfaces, cached answers of a data feed) hangs here too.

#include "core/messages/raceevent.h"
#include "core/messages/readingresult.h"

#include <chrono>
#include <string>

class TReadingSink {
  public:
    virtual ~TReadingSink() = default;

    virtual void SetLabelText(TLabel label, const std::string& text) = 0;
    /// Ends the ticker's ranking strip, if one runs.
    virtual void StopRanking() = 0;
    virtual void AddLog(const std::string& line) = 0;
    virtual bool StandingsVisible() const = 0;
    virtual void RedrawStandings() = 0;
    virtual bool TickerVisible() const = 0;
    virtual void RefreshStatus() = 0;
    /// Asks for a reading of the followed file as soon as possible.
    virtual void ReadNow() = 0;
    /// Asks for a reading after `delay`, with no write to wake one.
    virtual void ReadAgainAfter(std::chrono::milliseconds delay) = 0;
};

/// Applies what one reading changed to `windows`: the labels written, the strip stopped, the
/// messages put on `queue` and the log lines added in the order they arose, the tower redrawn while
/// shown, the status line refreshed while the ticker is shown, and the next reading asked for.
void ApplyReadingResult(TReadingSink& windows, const TReadingResult& result, TRaceEventList& queue);
