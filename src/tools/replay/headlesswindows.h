#pragma once

#include "live/windowlink.h"
#include "messages/readingresult.h"

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

/// The windows as state only: used by the replay command and by tests. The ticker exists,
/// hidden, not in ranking mode, unless told otherwise.
class THeadlessWindows : public TWindowLink {
  public:
    bool RankingMode() const override { return Ranking; }
    void SetRankingMode(bool on) override;

    /// Applies what a reading changed as the console does: labels, messages onto `queue` and
    /// log lines in their order, a standings redraw while the tower is shown, a status refresh
    /// while the ticker is, the strip stopped, a reading asked for now or later.
    void Apply(const TReadingResult& result, TRaceEventList& queue);

    /// What the reload cycle last wrote to a label.
    std::string LabelText(TLabel label) const;
    void SetLabelText(TLabel label, const std::string& text);
    void AddLog(const std::string& text);

    bool MessageVisible = false;
    bool Ranking = false;
    bool StandingsShown = false;
    int StatusRefreshes = 0;
    int StandingsRedraws = 0;
    int ReloadsPosted = 0;
    /// The delay of the last reload asked for later; zero when none is waiting (the caller
    /// clears it when it has run that reload).
    std::chrono::milliseconds DelayedReload{0};
    int RankingSwitchesOff = 0;
    std::vector<std::string> Log;
    /// Called for each log line as it is appended (the replay command prints it).
    std::function<void(const std::string&)> OnLog;

  private:
    std::array<std::string, 4> Labels;
};
