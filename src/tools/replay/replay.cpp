// kestrune-replay: runs recorded live files through the same reload cycle, detection, rows,
// rankings and reports as the program, and prints what they produce, for tests and for
// examining a session after the fact.

#include "tools/replay/replayoptions.h"
#include "tools/replay/replayprint.h"

#include "core/app/broadcast.h"
#include "core/app/config.h"
#include "core/app/consolemodel.h"
#include "core/app/reload.h"
#include "core/live/classstandings.h"
#include "core/live/followedfile.h"
#include "core/live/reports.h"
#include "core/messages/stripkinds.h"
#include "core/platform/commandline.h"
#include "core/platform/filestamp.h"
#include "core/platform/numbers.h"
#include "core/standings/rows.h"
#include "core/standings/standingsview.h"
#include "tools/headless/headlesswindows.h"

#include <clocale>
#include <cstdio>
#include <functional>
#include <iostream>
#include <map>
#include <utility>

namespace {

/// The settings of --ini (defaults without), its alias list and the --ignore list.
TKestruneConfig LoadSettings(const TReplayOptions& options, TNameLists& names) {
    TKestruneConfig config;
    if (!options.Ini.empty()) {
        const TConfigLoad load = LoadConfig(options.Ini);
        config = load.Config;
        for (const std::string& error : load.Errors) {
            std::cerr << "kestrune-replay: " << error << "\n";
        }
        names.LoadAliases(options.Ini);
    }
    if (!options.Ignore.empty()) {
        std::vector<std::string> lines = options.Ignore;
        names.ApplyIgnoreList(lines);
    }
    return config;
}

void PrintAfterStep(const TReplayOptions& options, const TKestruneConfig& config,
                    const TPlayers& players) {
    if (options.PrintPlayers) {
        PrintPlayers(stdout, players);
    }
    if (options.PrintRows) {
        const TStandingsView view = BuildStandingsView(players, config.Stats1NameLength);
        const std::vector<TClassPlace> places = view.Places();
        PrintRows(stdout, view.Rows(), options.Classes ? &places : nullptr);
    }
}

void PrintReport(const std::string& kind, const TPlayers& players) {
    const std::vector<std::string> lines = kind == "bestlap"  ? BestlapReport(players)
                                           : kind == "avglap" ? AvglapReport(players)
                                                              : GapReport(players);
    for (const std::string& line : lines) {
        PrintRecord(stdout, {"report", line});
    }
}

/// The strip of `kind` as its button composes it: a strip still running is ended first, so
/// each press starts its own.
void PrintRanking(const std::string& kind, TConsoleModel& console, const TBroadcast& live) {
    console.Run(TStopStrip{});
    console.Run(TPressStrip{StripNamed(kind)});
    const TRaceEventList& strip = live.RankingList;
    for (int i = 0; i < strip.Count(); ++i) {
        PrintRecord(stdout, {"ranking", strip.Items(i).Title, strip.Items(i).Text});
    }
}

void PrintSummaries(TBroadcast& live) {
    live.SessionLogs.AddSession(*live.Players);
    for (int i = 0; i < live.SessionLogs.Count(); ++i) {
        for (const std::string& line : live.SessionLogs.Items(i)) {
            PrintRecord(stdout, {"summary", line});
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    // The user's locale gives the decimal separator the parser accepts and the date of the
    // summaries; numbers are printed with "." whatever it is.
    std::setlocale(LC_ALL, "");
    UserDecimalSeparator();
    std::setlocale(LC_NUMERIC, "C");
    PrintBytesAsTheyAre();
    std::string error;
    const std::vector<std::string> args = ProgramArguments(argc, argv);
    const std::optional<TReplayOptions> parsed = ParseReplayOptions(args, error);
    if (!parsed) {
        std::fprintf(stderr, "kestrune-replay: %s\n%s", error.c_str(), ReplayUsage);
        return 2;
    }
    const TReplayOptions& options = *parsed;
    TBroadcast live;
    const TKestruneConfig config = LoadSettings(options, live.Names);

    THeadlessWindows windows; // the ticker exists, hidden, not in ranking mode
    windows.OnLog = [](const std::string& text) { PrintRecord(stdout, {"log", text}); };
    // The strips and the class view are the console's commands, run as the console runs them.
    TConsoleModel console(live, windows, options.Ini, config.Stats1NameLength);
    console.Run(TSetClassView{options.Classes});
    live.EventQueue.OnAdded = [](const TRaceEvent& event) {
        PrintRecord(stdout, {"event", event.Title, event.Text, std::to_string(event.Duration)});
    };
    TReloadHooks hooks;
    // Each snapshot stands for a version of the file that lasted: a reading held back until
    // the file keeps still is looked at again once that wait is over, as the program does.
    TSteadyTime clock{};
    hooks.Now = [&clock] { return clock; };

    TFollowedFile file;
    int stepNumber = 0;
    bool switching = false;
    for (const TReplayStep& step : options.Steps) {
        if (step.Switch) {
            switching = true;
            continue;
        }
        PrintRecord(stdout, {"step", std::to_string(++stepNumber), step.Path});
        // A switch takes up the next file exactly as the program takes up a newer live file;
        // otherwise each snapshot stands for the same followed file, rewritten.
        if (switching) {
            ApplyReadingResult(windows, FollowFile(file, live, step.Path), live.EventQueue);
            switching = false;
        } else {
            file.LiveFileName = step.Path;
        }
        const auto read = [&] {
            ApplyReadingResult(
                windows,
                ReadFollowedFile(file, live, GetFileState(step.Path), windows.Ranking, hooks),
                live.EventQueue);
        };
        read();
        for (int again = 0; again < 2 && windows.DelayedReload.count() > 0; ++again) {
            clock += std::exchange(windows.DelayedReload, std::chrono::milliseconds{0});
            read();
        }
        windows.DelayedReload = std::chrono::milliseconds{0};
        clock += std::chrono::milliseconds{200}; // the feed's usual pace between versions
        PrintAfterStep(options, config, *live.Players);
    }
    if (switching) {
        // A last --switch with no file after it still archives the records.
        live.StartNewSession();
    }
    live.EventQueue.OnAdded = nullptr;
    for (const TReplayFinal& final : options.Finals) {
        switch (final.What) {
        case TReplayFinal::Report:
            PrintReport(final.Name, *live.Players);
            break;
        case TReplayFinal::Ranking:
            PrintRanking(final.Name, console, live);
            break;
        case TReplayFinal::Summaries:
            PrintSummaries(live);
            break;
        }
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
