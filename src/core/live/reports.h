#pragma once
// The "Data" tab's plain-text reports of the current driver records. Each is a one-off listing
// for a fixed-pitch memo; names are the drivers' own, never aliases.

#include "core/live/players.h"

#include <string>
#include <vector>

/// "[Bestlap]", then every record (Seen or not, so drivers who left stay listed) in best-lap
/// order, one line each: rank, [position], driver padded to 20 bytes, best lap.
std::vector<std::string> BestlapReport(const TPlayers& players);

/// "[Avglap]", then the Seen records in average-lap order, as BestlapReport but with the mean
/// of the three latest laps ("---" before three laps are recorded).
std::vector<std::string> AvglapReport(const TPlayers& players);

/// "[Gap]", then for positions 1 to Count the first Seen record holding it: position, driver
/// and its gap to the leader ("---" for the leader, "+NLap" when lapped, "+m:ss.fff" else).
std::vector<std::string> GapReport(const TPlayers& players);
