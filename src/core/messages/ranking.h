#pragma once
// The ranking strips the operator asks for: best laps, three-lap averages, pit stops, gaps to
// the leader and to the car ahead. Each fills the ranking list from the driver records as they
// stand at the press and switches the ticker into ranking mode.

#include "core/live/players.h"
#include "core/live/windowlink.h"
#include "core/messages/raceevent.h"

#include <cstdint>
#include <functional>
#include <string>

/// Every strip fills `list` with names cut to `nameLength` bytes.
using TComposeRanking = void (*)(const TPlayers& players, int nameLength, TWindowLink& windows,
                                 TRaceEventList& list);

/// Title " " patched to "Best Lap Top10" (ten lines) or "Best Lap"; the ten fastest Seen
/// drivers with a lap time, "#P# NAME  1:42.118". A best lap of 0 counts as no time.
void ComposeBestLaps(const TPlayers& players, int nameLength, TWindowLink& windows,
                     TRaceEventList& list);
/// "Laptime(3Laps Avg)"; every Seen driver by the mean of the last three laps, "---" last.
void ComposeAverageLaps(const TPlayers& players, int nameLength, TWindowLink& windows,
                        TRaceEventList& list);
/// "Pit Stops"; "NAME  <stops>" for positions 1 to the number of Seen drivers.
void ComposePitStops(const TPlayers& players, int nameLength, TWindowLink& windows,
                     TRaceEventList& list);
/// "Gap"; "#p# NAME  " then the finish status, "<laps>Laps" for the leader, "+<n>L" or
/// "+<short time>" behind the leader.
void ComposeGapToLeader(const TPlayers& players, int nameLength, TWindowLink& windows,
                        TRaceEventList& list);
/// "Gap(Interval)"; as ComposeGapToLeader, but laps and time to the car ahead.
void ComposeIntervals(const TPlayers& players, int nameLength, TWindowLink& windows,
                      TRaceEventList& list);

/// The strips of the class view.
enum class TRankingKind { BestLaps, AverageLaps, PitStops, GapToLeader, Intervals };

/// A strip ranked within each class: its title, then for each class, in the order the classes
/// run from the front, a tag with the class's name and its cars' lines, "#p#" their place in
/// the class, the gaps to the class's leader or to the car ahead in it.
void ComposeByClass(TRankingKind kind, const TPlayers& players, int nameLength,
                    TWindowLink& windows, TRaceEventList& list);

/// The rule of the five buttons: while a strip is shown a press only ends it; otherwise compose
/// and switch ranking on. So any second press returns the event line, whichever strip was on.
void PressRankingButton(TWindowLink& windows, const std::function<void()>& compose);
