#include "core/standings/rows.h"

#include "core/live/classstandings.h"
#include "core/live/laptime.h"
#include "core/live/names.h"
#include "core/platform/colornames.h"
#include "core/platform/localetext.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

namespace {

/// Trunc(f x 255) of a ramp fraction; the ramps keep f within 0..1.
uint32_t RampValue(double fraction) {
    return static_cast<uint32_t>(std::trunc(fraction * 255.0));
}

// The gap colour, by seconds behind the car ahead: red (a fight), through yellow and green
// (a gap that may close) to blue (a safe gap), and black beyond. Each channel is full between
// two steps and ramps linearly over the span next to them; the spans are kept as written,
// since a difference of two steps is not the same double.
constexpr double GreenFrom = 0.5;      // s
constexpr double GreenRamp = 1.7;      // s, up to RedFullUntil
constexpr double RedFullUntil = 2.2;   // s
constexpr double RedRamp = 2.8;        // s, down to BlueFrom
constexpr double BlueFrom = 5.0;       // s
constexpr double BlueRamp = 2.5;       // s, up to GreenFullUntil
constexpr double GreenFullUntil = 7.5; // s
constexpr double GreenFade = 2.5;      // s, down to BlueFullUntil
constexpr double BlueFullUntil = 10.0; // s
constexpr double BlueFade = 5.0;       // s, down to black
constexpr double BlackFrom = 15.0;     // s

// Each channel falls through to 0 for NaN, so a broken gap never reads as "close".
uint32_t RedOf(double v) {
    if (v < RedFullUntil) {
        return 255;
    }
    if (v <= BlueFrom) {
        return RampValue((BlueFrom - v) / RedRamp);
    }
    return 0;
}

uint32_t GreenOf(double v) {
    if (v < GreenFrom) {
        return 0;
    }
    if (v <= RedFullUntil) {
        return RampValue((v - GreenFrom) / GreenRamp);
    }
    if (v < GreenFullUntil) {
        return 255;
    }
    if (v <= BlueFullUntil) {
        return RampValue((BlueFullUntil - v) / GreenFade);
    }
    return 0;
}

uint32_t BlueOf(double v) {
    if (v < BlueFrom) {
        return 0;
    }
    if (v <= GreenFullUntil) {
        return RampValue((v - BlueFrom) / BlueRamp);
    }
    if (v < BlueFullUntil) {
        return 255;
    }
    if (v <= BlackFrom) {
        return RampValue((BlackFrom - v) / BlueFade);
    }
    return 0;
}

/// Low byte of Trunc(distance / trackLength x 10). fmod keeps the exact low byte for any finite
/// ratio without an out-of-range conversion; no track length (or no distance) gives 0.
uint8_t LapTenthsOf(double distance, double trackLength) {
    const double ratio = std::trunc(distance / trackLength * 10.0);
    if (!std::isfinite(ratio)) {
        return 0;
    }
    double low = std::fmod(ratio, 256.0);
    if (low < 0.0) {
        low += 256.0;
    }
    return static_cast<uint8_t>(low);
}

uint16_t FinishMark(TFinishStatus finishStatus) {
    switch (finishStatus) {
    case TFinishStatus::Finished:
        return mkFinished;
    case TFinishStatus::Dnf:
        return mkDnf;
    case TFinishStatus::Dq:
        return mkDq;
    case TFinishStatus::None:
    case TFinishStatus::Other:
        break;
    }
    return 0;
}

/// mkGained on any move up; mkLost only in a race and only for two places or more, so the
/// normal shuffle of a single overtake does not flash the row.
uint16_t PositionMark(const TPlayer& d, bool race) {
    const int64_t now = d.Position[0];
    const int64_t before = d.Position[1];
    if (now < before) {
        return mkGained;
    }
    if (race && before + 1 < now) {
        return mkLost;
    }
    return 0;
}

/// Below this speed (metres per session second: under 50 km/h) a car on a green track is
/// crawling: damaged, spun or lost.
constexpr double SlowSpeed = 13.5;
/// A backward jump faster than this (units per second) is a lap wrap, not a car reversing.
constexpr double WrapSpeed = 100.0;
/// Cars closer than this to the line before their first lap are still on the grid.
constexpr double GridDistance = 300.0;

/// A car on a green track that covered under SlowSpeed since the previous reading.
bool IsSlow(const TPlayer& d, uint16_t marks, const TGameSession& session, bool race) {
    if ((marks & (mkInPits | mkDnf | mkDq)) != 0 || session.GamePhase != TGamePhase::GreenFlag) {
        return false;
    }
    const double delta = session.SessionTimeDelta;
    if (!(delta > 0.0)) {
        return false;
    }
    // Cars still on the grid before their first lap would all look slow at the start.
    if (race && d.Laps == 0 && !(d.LapDistanceTravelled[0] >= GridDistance)) {
        return false;
    }
    double moved = d.LapDistanceTravelled[0] - d.LapDistanceTravelled[1];
    if (moved < -(delta * WrapSpeed)) {
        moved += session.TrackLength;
    }
    return moved < delta * SlowSpeed;
}

TStats1Data FillRow(const TPlayer& d, const TGameSession& session, int nameLength) {
    const bool race = session.Session == TSessionKind::Race;
    TStats1Data row;
    row.Name = DisplayName(d, nameLength);
    if (race) {
        row.Interval = d.LapGapToPrev > 0 ? 65535.0f : d.TimeGapToPrev[0];
        row.IntervalColor = GapColor(row.Interval);
    } else {
        row.Interval = -1.0f;
        row.IntervalColor = clNone;
    }
    row.Laps = d.Laps;
    row.BestLap = d.BestLap;
    row.Pitstops = d.Pitstops;
    row.TimedLap = !d.InPits && d.Laps > d.PitExitLap;
    row.LapTenths = LapTenthsOf(d.LapDistanceTravelled[0], session.TrackLength);
    row.Marks = mkFilled | FinishMark(d.FinishStatus.Is());
    if (d.InPits) {
        row.Marks |= mkInPits;
    }
    // A record on its first reading has no previous values to compare with.
    if (d.HistoryCount <= 0) {
        return row;
    }
    if (!race && d.Has(PlayerFlag::BestLapImproved)) {
        row.Marks |= mkBestImproved;
    }
    row.Marks |= PositionMark(d, race);
    if (IsSlow(d, row.Marks, session, race)) {
        row.Marks |= mkSlow;
    }
    return row;
}

} // namespace

/// The Seen records that own a position of 1 or more, first in record order per position, in
/// ascending position. This is the order of a walk p = 1, 2, ... with IndexOfPosition, without
/// its cost on huge positions or its endless loop on duplicates.
uint32_t GapColor(float seconds) {
    const double v = seconds;
    return 0x02000000u + BlueOf(v) * 65536u + GreenOf(v) * 256u + RedOf(v);
}

void BuildRows(const TPlayers& players, int nameLength, std::vector<TStats1Data>& rows) {
    BuildRows(StandingOrder(players), players.GameSession(), nameLength, rows);
}

void BuildRows(const std::vector<const TPlayer*>& order, const TGameSession& session,
               int nameLength, std::vector<TStats1Data>& rows) {
    rows.resize(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        rows[k] = FillRow(*order[k], session, nameLength);
    }
}

namespace {

/// Alike in everything the tower draws for a row, interval colours and best-lap texts aside.
bool RowsDrawAlike(const TStats1Data& a, const TStats1Data& b, bool race, bool leader) {
    return a.Name == b.Name && a.Marks == b.Marks && a.Pitstops == b.Pitstops &&
           (!race || !leader || a.Laps == b.Laps);
}

bool BestLapTextsAlike(const TStats1Data& a, const TStats1Data& b) {
    return a.BestLap == b.BestLap && a.TimedLap == b.TimedLap &&
           (!a.TimedLap || a.LapTenths == b.LapTenths);
}

} // namespace

TTowerChange CompareViews(const TTowerView& shown, const TTowerView& next) {
    if (shown.ClassView != next.ClassView || shown.Classes != next.Classes ||
        shown.Race != next.Race || shown.InPitColour != next.InPitColour ||
        shown.DrawMinutes != next.DrawMinutes ||
        (shown.Race && shown.LengthLaps != next.LengthLaps) ||
        shown.Rows.size() != next.Rows.size()) {
        return TTowerChange::All;
    }
    bool changed = false;
    for (std::size_t i = 0; i < shown.Rows.size(); ++i) {
        const TStats1Data& before = shown.Rows[i];
        const TStats1Data& after = next.Rows[i];
        if (!RowsDrawAlike(before, after, shown.Race, i == 0)) {
            return TTowerChange::All;
        }
        // The class view draws no bars.
        changed |= shown.Race ? !shown.ClassView && before.IntervalColor != after.IntervalColor
                              : !BestLapTextsAlike(before, after);
    }
    if (!changed) {
        return TTowerChange::None;
    }
    return shown.Race ? TTowerChange::Bars : TTowerChange::BestLaps;
}

std::vector<bool> ChangedBestLapRows(const TTowerView& shown, const TTowerView& next) {
    std::vector<bool> changed(next.Rows.size(), true);
    for (std::size_t i = 0; i < changed.size() && i < shown.Rows.size(); ++i) {
        changed[i] = !BestLapTextsAlike(shown.Rows[i], next.Rows[i]);
    }
    return changed;
}

namespace {

/// Distinct on air and readable under white or black digits, in the order classes appear.
constexpr uint32_t ClassPalette[] = {0x3A3AE6, 0xE68A1E, 0x4CB82E, 0x1E96F5,
                                     0xC85096, 0xC8BE14, 0x28D2F0, 0x9650DC};

} // namespace

namespace {

const uint32_t* GivenColour(const TClassColours& given, const std::string& name) {
    for (const auto& [cls, colour] : given) {
        if (EqualsIgnoreCase(cls, name)) {
            return &colour;
        }
    }
    return nullptr;
}

} // namespace

uint32_t ClassColour(const TClassColours& given, const std::string& name, int unnamed) {
    if (const uint32_t* colour = GivenColour(given, name)) {
        return *colour;
    }
    constexpr int count = static_cast<int>(std::size(ClassPalette));
    return ClassPalette[((unnamed % count) + count) % count];
}

void BuildClassRows(const TPlayers& players, const TClassColours& colours,
                    std::vector<TClassRow>& rows) {
    const std::vector<TClassPlace> places =
        ClassPlaces(StandingOrder(players), players.GameSession());
    rows.resize(places.size());
    // Each class's colour, by class number, as the classes first appear.
    std::vector<uint32_t> classColours;
    int unnamed = 0;
    for (std::size_t k = 0; k < places.size(); ++k) {
        const TClassPlace& place = places[k];
        if (place.ClassNumber == static_cast<int>(classColours.size())) {
            const bool given = GivenColour(colours, place.Class) != nullptr;
            classColours.push_back(ClassColour(colours, place.Class, given ? 0 : unnamed++));
        }
        TClassRow& row = rows[k];
        row.Colour = classColours[static_cast<std::size_t>(place.ClassNumber)];
        row.Position = place.Position;
        row.ToLeader = place.ToLeader;
        if (place.Position == 1) {
            row.Name = place.Class;
        } else {
            row.Name.clear();
        }
    }
}

std::string ClassRowText(const TClassRow& row) {
    return row.Position == 1 ? row.Name : GapBehindText(row.ToLeader.Laps, row.ToLeader.Time);
}
