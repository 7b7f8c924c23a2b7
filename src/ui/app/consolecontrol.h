#pragma once
// The console as the web server's control calls and data see it: each call presses the
// console's own control, and the data are built from the broadcast at most once a reading.

#include "core/app/broadcast.h"
#include "core/messages/recentmessages.h"
#include "core/web/webcontrol.h"

#include <map>
#include <string>

class TFormMain;

class TConsoleControl : public TWebControl {
  public:
    TConsoleControl(TFormMain& console, TBroadcast& live);

    void PressStrip(const std::string& kind) override;
    void StopStrip() override;
    void ShowWindow(const std::string& window, const std::string& operation) override;
    void SetTickerText(const std::string& text) override;
    void ReloadAlias() override;
    std::string IgnoreList() const override;
    void SetIgnoreList(const std::string& lines) override;
    std::string StateJson() const override;
    TWebData Data(const std::string& name) override;

    /// A reading was applied (`result` gave these messages): the data are built anew when next
    /// asked for.
    void ReadingApplied(const TReadingResult& result);

  private:
    TFormMain& Console;
    TBroadcast& Live;
    TRecentMessages Messages;
    /// Counts the changes of what the data are built from; with RunId, the data's versions.
    unsigned long long Changes = 0;
    std::string RunId;
    std::map<std::string, TWebData> Built;
};
