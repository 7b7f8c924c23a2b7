#pragma once
// The standings of one reading: each car once, in the tower's order, with its record, its
// tower row and its place in its class, all from one ordering. The data answers and the replay
// read it, so a row is never paired with another car's place.

#include "core/live/classstandings.h"
#include "core/live/players.h"
#include "core/standings/rows.h"

#include <vector>

struct TStandingEntry {
    /// Valid while the records are: until the next reading is merged.
    const TPlayer* Car = nullptr;
    TStats1Data Row;
    TClassPlace Place;
};

struct TStandingsView {
    std::vector<TStandingEntry> Cars;

    /// The tower's rows, in order.
    std::vector<TStats1Data> Rows() const;
    /// The class places, in order.
    std::vector<TClassPlace> Places() const;
};

/// The standings of `players` as they stand, names cut to `nameLength` bytes.
TStandingsView BuildStandingsView(const TPlayers& players, int nameLength);
