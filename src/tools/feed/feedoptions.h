#pragma once
// The command line of kestrune-feed.

#include "tools/feed/carclasses.h"
#include "tools/feed/livewriter.h"
#include "tools/feed/sessionkind.h"

#include <cstdint>
#include <string>
#include <vector>

enum class SessionPlan { Practice, Qualify, Warmup, Race, Weekend };

struct FeedOptions {
    std::string folder;
    SessionPlan plan = SessionPlan::Race;
    int cars = 20;
    bool carsGiven = false;
    std::vector<CarClass> classes; ///< fastest first; empty: one class for the whole field
    int laps = 10;
    double minutes = 0.0; ///< 0: each session's usual length (a race then has no time limit)
    double trackLength = 5500.0;
    double speed = 1.0; ///< session seconds per wall-clock second
    double rate = 5.0;  ///< files written per wall-clock second
    std::uint64_t seed = 0;
    bool seedGiven = false;
    WriteMode write = WriteMode::InPlace;
    int writeMs = 0;       ///< an in-place write spread line by line over this many milliseconds
    std::string snapshots; ///< empty: no numbered copies
    bool quiet = false;
    bool help = false;
};

/// Reads the arguments that follow the program name. Returns false with a one-line `error` for
/// an unknown option, a missing or malformed value, a value out of range, or --cars and
/// --classes that disagree on the size of the field.
bool ParseFeedOptions(const std::vector<std::string>& args, FeedOptions& options,
                      std::string& error);

/// The usage text, ending in a newline.
std::string FeedUsage();

/// The sessions a plan runs, in order.
std::vector<SessionKind> SessionsOf(SessionPlan plan);
