#pragma once
// The average lap and the three sort orders shared by the reports, the ranking strip and the
// session summaries.

#include "core/live/players.h"

/// Mean of the three latest completed laps in single precision, or -1 when any of them is not
/// greater than 0.
float AverageLap(const TPlayer& player);

/// Ascending best lap; no time (negative or NaN) sorts after every real time.
int CompareBestLap(const TPlayer& a, const TPlayer& b);
/// Ascending average lap; no average sorts after every real one.
int CompareAverageLap(const TPlayer& a, const TPlayer& b);
/// Ascending latest position; records not Seen count 100 places further back.
int ComparePosition(const TPlayer& a, const TPlayer& b);

/// The Seen records of `players` in record order.
std::vector<const TPlayer*> SeenRecords(const TPlayers& players);
/// Every record of `players` in record order.
std::vector<const TPlayer*> AllRecords(const TPlayers& players);
