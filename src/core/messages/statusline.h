#pragma once
// What the ticker's status line says: the notice at the right, the phase or lap counter at
// the left. Decided here so the replay and the tests see the same texts the window draws.

#include "core/live/players.h"
#include "core/platform/colornames.h"

#include <string>

/// The notice at the right and the text at the left (empty when nothing goes there), as bytes:
/// the notice may carry a live-file flag text, shown as the window shows any live text.
struct TStatusTexts {
    std::string Notice;
    TColor NoticeColor = clSilver;
    std::string Left;
    TColor LeftColor = clSilver;
};

/// The status line's texts for the session held by `players` (nullptr: no session yet) and the
/// operator's free text. A full-course yellow replaces the free text; an empty notice shows the
/// product name, so the line is never blank.
TStatusTexts StatusTexts(const TPlayers* players, const std::string& freeText);

/// The race's lap counter: the leader's laps and the race length as " %2d/%-2d".
std::string LapCounterText(int laps, int lengthLaps);
