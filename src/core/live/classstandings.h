#pragma once
// The field in the tower's order and, for a field of several classes, each car's place within its class, the gaps to its class's
// leader and to the car ahead in the class, and each class's best lap. A car's class is the
// one its record was created with; an empty class is a class of its own.

#include "core/live/livefile.h"
#include "core/live/players.h"

#include <cstdint>
#include <string>
#include <vector>

/// The records behind the tower's rows, in their order: the Seen records that own a position
/// of 1 or more, the first in record order for a shared position, by ascending position.
std::vector<const TPlayer*> StandingOrder(const TPlayers& players);

/// A deficit within the class: whole laps down, else the time on the same lap (-1 unknown).
struct TClassGap {
    int32_t Laps = 0;
    float Time = 0.0f;
    bool operator==(const TClassGap&) const = default;
};

/// One car's place in its class, for a car of the tower's order.
struct TClassPlace {
    std::string Class;
    /// The class's number in the order the classes first appear from the front (0, 1, ...).
    int ClassNumber = 0;
    /// 1 for the class leader.
    int32_t Position = 0;
    /// Both zero for the class leader.
    TClassGap ToLeader;
    TClassGap ToAhead;
};

/// The places of the cars of `order` (the tower's order, leader first), in the same order.
/// In a race whole laps come from the cars' progress when the track's length is known; else,
/// and in other sessions (whose gaps are best laps'), from the lap gaps the live file gives.
std::vector<TClassPlace> ClassPlaces(const std::vector<const TPlayer*>& order,
                                     const TGameSession& session);

/// The class names in the order they first appear in `places`.
std::vector<std::string> ClassesInOrder(const std::vector<TClassPlace>& places);

/// A class's fastest car so far: the Seen record with the lowest best lap above 0 (the first in
/// record order on a tie); none (-1) while no car of the class has a time.
struct TClassBest {
    std::string Class;
    int Record = -1;
    float BestLap = 0.0f;
};
std::vector<TClassBest> ClassBestLaps(const TPlayers& players);

/// The gap as the tower's other gaps are written: "+<n>L", else "+<short time>"; empty for the
/// class leader.
std::string ClassGapText(const TClassPlace& place, const TClassGap& gap);
