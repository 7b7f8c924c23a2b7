#pragma once
// The console without its widgets: the commands it takes and the state a control surface
// shows, with a notification when that state changes. The console's buttons and fields, the
// control API, the replay and the tests all act through one model, and nothing reads the state
// back from a widget.

#include "core/app/broadcast.h"
#include "core/app/consolecommand.h"
#include "core/app/producerstate.h"
#include "core/live/windowlink.h"
#include "core/messages/readingresult.h"

#include <functional>
#include <map>
#include <string>

/// What the commands act on besides the broadcast: the tower and the ticker, real or headless.
class TConsoleWindows : public TWindowLink {
  public:
    virtual bool Shown(TBroadcastWindow window) const = 0;
    virtual void SetShown(TBroadcastWindow window, bool shown) = 0;
    /// The ticker's free text changed: its status line shows the new one.
    virtual void TickerTextChanged(const std::string& text) = 0;
    /// The class view was turned on or off: the tower redraws, the setting is saved.
    virtual void ClassViewChanged(bool on) = 0;
    /// A line for the log (a failed alias reload).
    virtual void Report(const std::string& line) = 0;
};

class TConsoleModel {
  public:
    /// `configPath`: where Reload Alias reads the alias list; `nameLength`: the strips' names.
    TConsoleModel(TBroadcast& live, TConsoleWindows& windows, std::string configPath,
                  int nameLength);

    /// Runs `command` as the console's control does, then tells the listeners if the state
    /// changed.
    void Run(const TConsoleCommand& command);

    /// The state as it stands, and as one JSON object (what /api/state answers).
    const TProducerState& State() const { return Current; }
    const std::string& StateJson() const { return CurrentJson; }
    /// The ignore list as applied, one driver a line.
    const std::string& IgnoreList() const { return IgnoreLines; }
    /// Counts the commands that change what the data are built from (the name lists).
    unsigned long long NamesRevision() const { return NamesChanges; }

    /// The reload cycle wrote a label of the Info tab; the listeners are told.
    void SetLabel(TLabel label, const std::string& text);
    /// Something outside the commands may have changed the state: a reading (the lap counter),
    /// the ticker ending its strip, a window shown at start. Tells the listeners if it did.
    void Refresh();

    /// `listener` is called after each change of the state; the number forgets it.
    int Subscribe(std::function<void()> listener);
    void Unsubscribe(int id);

  private:
    void PressStrip(const TStripKind& kind);
    void ShowWindow(const TShowWindow& show);
    void SetIgnoreList(const std::string& lines);

    TBroadcast& Live;
    TConsoleWindows& Windows;
    std::string ConfigPath;
    int NameLength;
    /// The strip last started: the state names it while the ticker shows a strip.
    const TStripKind* Started = nullptr;
    std::string Labels[4];
    std::string TickerText;
    std::string IgnoreLines;
    unsigned long long NamesChanges = 0;
    /// NamesChanges when the listeners were last told: a new ignore list is a change too.
    unsigned long long NamesToldAt = 0;
    TProducerState Current;
    std::string CurrentJson;
    std::map<int, std::function<void()>> Listeners;
    int NextListener = 0;
};
