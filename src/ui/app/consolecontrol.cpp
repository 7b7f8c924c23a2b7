#include "ui/app/consolecontrol.h"

#include "core/app/producerdata.h"
#include "core/app/producerstate.h"
#include "core/web/webaccess.h"
#include "ui/app/mainform.h"

#include <algorithm>
#include <chrono>

TConsoleControl::TConsoleControl(TFormMain& console, TBroadcast& live)
    // A version of this run may not be taken for one of the last: a client's cached copy
    // from before a restart is never answered as current.
    : Console(console), Live(live), RunId(NewWebToken().substr(0, 8)) {}

void TConsoleControl::PressStrip(const std::string& kind) {
    if (kind == "best") {
        Console.Button8Click();
    } else if (kind == "avg") {
        Console.Button12Click();
    } else if (kind == "pits") {
        Console.Button9Click();
    } else if (kind == "gapl") {
        Console.Button10Click();
    } else if (kind == "gapi") {
        Console.Button11Click();
    }
}

void TConsoleControl::StopStrip() {
    Console.SetRankingMode(false);
}

void TConsoleControl::ShowWindow(const std::string& window, const std::string& operation) {
    const bool tower = window == "tower";
    const bool shown = tower ? Console.StandingsVisible() : Console.TickerVisible();
    const bool wanted = operation == "toggle" ? !shown : operation == "show";
    if (wanted != shown) {
        // The buttons toggle: pressed only when the window is not yet as asked.
        tower ? Console.Button2Click() : Console.Button3Click();
    }
}

void TConsoleControl::SetTickerText(const std::string& text) {
    Console.SetTickerText(text);
}

void TConsoleControl::ReloadAlias() {
    Console.Button13Click();
    ++Changes;
}

std::string TConsoleControl::IgnoreList() const {
    return Console.IgnoreListText();
}

void TConsoleControl::SetIgnoreList(const std::string& lines) {
    Console.ApplyIgnoreList(lines);
    ++Changes;
}

std::string TConsoleControl::StateJson() const {
    TProducerState state;
    state.File = Console.LabelText(TLabel::FileName);
    state.Session = Console.LabelText(TLabel::Session);
    state.Phase = Console.LabelText(TLabel::Phase);
    state.Flag = Console.LabelText(TLabel::Flags);
    state.Strip = Console.RunningStrip();
    state.TowerShown = Console.StandingsVisible();
    state.TickerShown = Console.TickerVisible();
    state.TickerText = Console.TickerText();
    return ProducerStateJson(state, Live.Players.get());
}

TWebData TConsoleControl::Data(const std::string& name) {
    const auto now = std::chrono::steady_clock::now();
    std::string version = RunId + "-" + std::to_string(Changes);
    if (name == "messages.json") {
        // Their ages count on between readings, a second at a time.
        version +=
            "-" +
            std::to_string(
                std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count());
    }
    TWebData& data = Built[name];
    if (data.Version == version) {
        return data;
    }
    const int nameLength = Console.Config().Stats1NameLength;
    const TPlayers& players = *Live.Players;
    data.ContentType = "application/json; charset=utf-8";
    if (name == "standings.json") {
        data.Body = StandingsJson(players, nameLength);
    } else if (name == "standings.csv") {
        data.Body = StandingsCsv(players, nameLength);
        data.ContentType = "text/csv; charset=utf-8";
    } else if (name == "session.json") {
        data.Body = SessionJson(players, Console.Followed().LiveFileName);
    } else if (name == "messages.json") {
        data.Body = Messages.Json(now);
    } else {
        data.Body = ReportsJson(players);
    }
    data.Version = version;
    return data;
}

void TConsoleControl::ReadingApplied(const TReadingResult& result) {
    const bool labelled = std::any_of(result.Labels.begin(), result.Labels.end(),
                                      [](const auto& label) { return label.has_value(); });
    // The feed's quiet checks give empty results every second: they change no data.
    if (result.Merged || labelled || !result.Notices.empty()) {
        ++Changes;
    }
    Messages.AddFrom(result, std::chrono::steady_clock::now());
}
