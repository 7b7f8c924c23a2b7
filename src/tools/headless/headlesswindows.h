#pragma once

#include "core/app/consolemodel.h"
#include "core/messages/readingsink.h"

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

/// The windows as state only: used by the replay command, the tests and the benchmarks, which
/// apply a reading's result to them with ApplyReadingResult, and run the console's commands on
/// them through a TConsoleModel, as the console does. The ticker exists, hidden, not in ranking
/// mode, unless told otherwise.
class THeadlessWindows : public TConsoleWindows, public TReadingSink {
  public:
    bool RankingMode() const override { return Ranking; }
    void SetRankingMode(bool on) override;
    bool Shown(TBroadcastWindow window) const override {
        return window == TBroadcastWindow::Tower ? StandingsShown : MessageVisible;
    }
    void SetShown(TBroadcastWindow window, bool shown) override {
        (window == TBroadcastWindow::Tower ? StandingsShown : MessageVisible) = shown;
    }
    void TickerTextChanged(const std::string& text) override { TickerText = text; }
    void ClassViewChanged(bool on) override { ClassView = on; }
    void Report(const std::string& line) override { AddLog(line); }

    /// What the reload cycle last wrote to a label.
    std::string LabelText(TLabel label) const;
    void SetLabelText(TLabel label, const std::string& text) override;
    void StopRanking() override { SetRankingMode(false); }
    void AddLog(const std::string& text) override;
    bool StandingsVisible() const override { return StandingsShown; }
    void RedrawStandings() override { ++StandingsRedraws; }
    bool TickerVisible() const override { return MessageVisible; }
    void RefreshStatus() override { ++StatusRefreshes; }
    void ReadNow() override { ++ReloadsPosted; }
    void ReadAgainAfter(std::chrono::milliseconds delay) override { DelayedReload = delay; }

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
    /// What the ticker's status line was last given, and the class view as last set.
    std::string TickerText;
    bool ClassView = false;
    std::vector<std::string> Log;
    /// Called for each log line as it is appended (the replay command prints it).
    std::function<void(const std::string&)> OnLog;

  private:
    std::array<std::string, 4> Labels;
};
