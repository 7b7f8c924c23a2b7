#pragma once
// Command line of kestrune-replay.

#include <optional>
#include <string>
#include <vector>

struct TReplayStep {
    bool Switch = false; // "--switch": archive the records and start fresh ones
    std::string Path;    // otherwise the next version of the followed live file
};

/// A request printed after the last step, in command-line order.
struct TReplayFinal {
    enum Kind { Report, Ranking, Summaries } What = Report;
    std::string Name; // report or ranking kind
};

struct TReplayOptions {
    std::string Ini;
    std::vector<std::string> Ignore;
    bool PrintPlayers = false;
    bool PrintRows = false;
    /// The class view: rows with each car's class, place in the class and class gaps; the
    /// rankings and race messages within each class.
    bool Classes = false;
    std::vector<TReplayFinal> Finals;
    std::vector<TReplayStep> Steps;
};

/// Parses the arguments (without the program name). nullopt with `error` set when they are bad.
std::optional<TReplayOptions> ParseReplayOptions(const std::vector<std::string>& args,
                                                 std::string& error);

extern const char* const ReplayUsage;
