#pragma once
// Turns the change marks of the latest merge into ticker messages and log lines, and announces
// at most one close fight per reading.

#include "core/live/players.h"
#include "core/messages/readingresult.h"

#include <string>
#include <vector>

/// 1 "Winner", 2 "2nd", 3 "3rd", any other n "<n>th" (so 21 gives "21th", as broadcast).
std::string FinishOrdinal(int position);

/// Turns the marks of the latest merge into ticker messages and log lines, a ranking stop and a
/// status refresh in `result`, and announces and damps a battle (none while `rankingOn`: the
/// strip hides the event line). Call once after each merge (and, in a race, after the battle
/// scores were raised): the marks describe one merge only, so each change is announced once.
/// With `byClass`, a race's finishers are placed, and its fastest laps announced, within each
/// car's class ("GT3 Winner", "GT3 Fastest Lap").
void DetectRaceEvents(TPlayers& players, bool rankingOn, TReadingResult& result,
                      bool byClass = false);
