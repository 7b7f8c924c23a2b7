#pragma once
// What the reload cycle, race event detection and the ranking buttons need from the windows.
// The main window implements it with real windows, the replay command without any, so every
// rule of the live data runs and is tested without a display.

#include <chrono>
#include <string>

/// The main window's labels that the reload cycle writes.
enum class TLabel { FileName, Session, Phase, Flags };

class TWindowLink {
  public:
    virtual ~TWindowLink() = default;

    /// Message window (ticker).
    virtual bool MessageWindowVisible() const = 0;
    virtual bool RankingMode() const = 0;
    virtual void SetRankingMode(bool on) = 0;
    /// Redraws the ticker's status line; callers only call it while the ticker is visible.
    virtual void RefreshStatus() = 0;

    /// Standings window.
    virtual bool StandingsVisible() const = 0;
    /// Asks the standings window to rebuild and redraw its rows (posted, handled later).
    virtual void PostStandingsRedraw() = 0;

    /// Main window.
    /// Posts the reload message to the main window itself, so a new file is read at once.
    virtual void PostReload() = 0;
    /// Posts the reload message to the main window once `delay` has passed: a reading held
    /// back until the file has kept still is looked at again then, with no write to wake it.
    virtual void PostReloadAfter(std::chrono::milliseconds delay) = 0;
    virtual void SetLabelText(TLabel label, const std::string& text) = 0;
    /// Appends one line to the log.
    virtual void AddLog(const std::string& text) = 0;
};
