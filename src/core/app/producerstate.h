#pragma once
// The state a control surface shows on its buttons: what is followed, where the session stands,
// which strip runs, which windows are on air and the ticker's text. One flat JSON object, so a
// button's feedback is one key.

#include "core/live/players.h"

#include <string>

struct TProducerState {
    std::string File;
    std::string Session;
    std::string Phase;
    std::string Flag;
    /// The strip that runs (best, avg, pits, gapl, gapi), or empty.
    std::string Strip;
    bool TowerShown = false;
    bool TickerShown = false;
    std::string TickerText;
    /// Strips, race messages and the tower within each car's class.
    bool ClassView = false;
};

/// The state as JSON, with the lap counter (or phase) as the ticker's status line shows it for
/// `players` (nullptr: no session yet).
std::string ProducerStateJson(const TProducerState& state, const TPlayers* players);
