#pragma once
// The standings tower as data: one row per driver present in the latest reading, in position
// order, with everything the drawing needs and nothing of the window.

#include "core/live/classstandings.h"
#include "core/live/players.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

/// Bits of TStats1Data::Marks.
constexpr uint16_t mkFilled = 0x0001, mkGained = 0x0002, mkLost = 0x0004, mkFinished = 0x0008,
                   mkDnf = 0x0010, mkDq = 0x0020, mkSlow = 0x0040, mkInPits = 0x0080,
                   mkBestImproved = 0x0100;

/// One row of the tower.
struct TStats1Data {
    std::string Name;
    /// Race: gap to the car ahead, 65535 when a lap or more behind; otherwise -1.
    float Interval = 0;
    /// Race: GapColor of Interval; otherwise the no-colour value 0x1FFFFFFF.
    uint32_t IntervalColor = 0;
    int32_t Laps = 0;
    double BestLap = 0;
    int32_t Pitstops = 0;
    /// On track and at least one lap completed since the car last left the pits.
    bool TimedLap = false;
    uint16_t Marks = 0;
    /// Tenths of the current lap covered (low byte of the truncated ratio).
    uint8_t LapTenths = 0;
};

/// A row's class as the tower's class view shows it.
struct TClassRow {
    /// A colour value (red in the lowest byte).
    uint32_t Colour = 0;
    int32_t Position = 0;
    TClassGap ToLeader;
    /// The class's name, on its leader's row only.
    std::string Name;
    bool operator==(const TClassRow&) const = default;
};

/// What the tower writes for a class row: the gap to the class leader in the tower's gap form,
/// or the class's name on its leader's row, so the colours can be told apart. Made only when
/// drawn: the reload cycle of a race builds the rows at every reading.
std::string ClassRowText(const TClassRow& row);

/// Colours given to classes by name, matched without regard to case.
using TClassColours = std::vector<std::pair<std::string, uint32_t>>;

/// The colour of class `name`: its given colour, else the palette's `unnamed`th, counting the
/// classes given none in the order they appear from the front.
uint32_t ClassColour(const TClassColours& given, const std::string& name, int unnamed);

/// The class rows for the tower's rows (the same cars in the same order).
void BuildClassRows(const TPlayers& players, const TClassColours& colours,
                    std::vector<TClassRow>& rows);

/// Everything the tower's picture is drawn from besides the window's size, fonts and logo.
struct TTowerView {
    std::vector<TStats1Data> Rows;
    bool Race = false;
    int32_t LengthLaps = 0;
    uint32_t InPitColour = 0;
    bool DrawMinutes = true;
    /// Filled in the class view only.
    bool ClassView = false;
    std::vector<TClassRow> Classes;
};

/// What a new view changes in the tower's picture: nothing, only the race's interval bars
/// (their colours follow every small change of a gap), only some best-lap texts of a session
/// other than a race (a timed lap's progress changes them), or more. A race shows the
/// leader's laps and each interval's colour, not the exact intervals, best laps or lap
/// progress; other sessions show best laps and lap progress but neither intervals nor laps.
enum class TTowerChange { None, Bars, BestLaps, All };
TTowerChange CompareViews(const TTowerView& shown, const TTowerView& next);

/// Which rows' best-lap texts differ between the views (rows `shown` lacks count as changed).
std::vector<bool> ChangedBestLapRows(const TTowerView& shown, const TTowerView& next);

/// The interval colour ramp (0x02BBGGRR): red when the car ahead is within half a second,
/// through yellow, green, cyan and blue, to black at 15 seconds and beyond.
uint32_t GapColor(float seconds);

/// Rebuilds `rows` from the Seen records in position order (display names with `nameLength`).
/// Gaps in the positions are skipped; of two Seen records sharing a position only the first in
/// record order gets a row, and positions below 1 get none, so every row is filled.
void BuildRows(const TPlayers& players, int nameLength, std::vector<TStats1Data>& rows);
/// The rows of the records of `order` (StandingOrder's), one each, in that order.
void BuildRows(const std::vector<const TPlayer*>& order, const TGameSession& session,
               int nameLength, std::vector<TStats1Data>& rows);
