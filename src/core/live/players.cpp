#include "live/players.h"

#include <algorithm>
#include <climits>
#include <cmath>

std::unique_ptr<TPlayers> Players = std::make_unique<TPlayers>();

namespace {

template <typename T> void ShiftOlder(std::array<T, HistoryDepth>& history) {
    for (int i = HistoryDepth - 1; i > 0; --i) {
        history[i] = history[i - 1];
    }
}

} // namespace

TPlayers::TPlayers() {
    Session.SessionTimeDelta = -1.0;
}

TPlayer& TPlayers::Item(int index) {
    return Records[static_cast<std::size_t>(index)];
}

const TPlayer& TPlayers::Item(int index) const {
    return Records[static_cast<std::size_t>(index)];
}

const TGameSession& TPlayers::GameSession() const {
    return Session;
}

int TPlayers::CountSeen() const {
    int seen = 0;
    for (const TPlayer& record : Records) {
        seen += record.Has(PlayerFlag::Seen) ? 1 : 0;
    }
    return seen;
}

int TPlayers::AddPlayer() {
    // The vector grows geometrically: growing by a fixed ten would copy every record again
    // at each step, quadratic in the field size. Indexes stay stable either way.
    Records.emplace_back();
    return Count() - 1;
}

int TPlayers::IndexOfDriver(const std::string& name, int hint) const {
    if (hint >= 0 && hint < Count() && Records[static_cast<std::size_t>(hint)].Driver == name) {
        return hint;
    }
    for (; IndexedCount < Count(); ++IndexedCount) {
        FirstByName.emplace(Records[static_cast<std::size_t>(IndexedCount)].Driver, IndexedCount);
    }
    const auto found = FirstByName.find(name);
    if (found == FirstByName.end()) {
        return -1;
    }
    if (Records[static_cast<std::size_t>(found->second)].Driver == name) {
        return found->second;
    }
    // Someone renamed an indexed record; answer correctly rather than fast.
    for (int i = 0; i < Count(); ++i) {
        if (Records[static_cast<std::size_t>(i)].Driver == name) {
            return i;
        }
    }
    return -1;
}

int TPlayers::IndexOfPosition(int32_t position) const {
    for (int i = 0; i < Count(); ++i) {
        const TPlayer& record = Records[static_cast<std::size_t>(i)];
        if (record.Has(PlayerFlag::Seen) && record.Position[0] == position) {
            return i;
        }
    }
    return -1;
}

std::vector<int> TPlayers::SeenIndexByPosition(int lastPosition) const {
    std::vector<int> byPosition(static_cast<std::size_t>(std::max(lastPosition, 0)) + 1, -1);
    for (int i = 0; i < Count(); ++i) {
        const TPlayer& record = Item(i);
        const int32_t position = record.Position[0];
        if (!record.Has(PlayerFlag::Seen) || position < 1 || position > lastPosition) {
            continue;
        }
        int& slot = byPosition[static_cast<std::size_t>(position)];
        if (slot < 0) {
            slot = i;
        }
    }
    return byPosition;
}

void TPlayers::ShiftHistory() {
    for (TPlayer& record : Records) {
        if (!record.Has(PlayerFlag::Seen)) {
            continue;
        }
        ShiftOlder(record.Position);
        ShiftOlder(record.TimeGapToPrev);
        ShiftOlder(record.LapDistanceTravelled);
        if (record.HistoryCount < HistoryDepth) {
            ++record.HistoryCount;
        }
    }
}

void TPlayers::ClearFlags() {
    for (TPlayer& record : Records) {
        record.Flags = 0;
    }
}

void TPlayers::Merge(const std::vector<TSlot>& slots, const TNameRules& rules) {
    ShiftHistory();
    ClearFlags();
    double best = SessionBest;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        MergeSlot(slots[i], static_cast<int>(i), rules, best);
    }
    if (best > 0.0) {
        FlagSessionBest(best);
    }
    for (TPlayer& record : Records) {
        if (!record.Has(PlayerFlag::Seen)) {
            record.Flags |= PlayerFlag::Absent;
        }
    }
}

void TPlayers::MergeSlot(const TSlot& slot, int hint, const TNameRules& rules, double& best) {
    if (rules.IsIgnored && rules.IsIgnored(slot.Driver)) {
        return;
    }
    int index = IndexOfDriver(slot.Driver, hint);
    if (index < 0) {
        index = AddPlayer();
        TPlayer& created = Item(index);
        created.Driver = slot.Driver;
        created.Vehicle = slot.Vehicle;
        created.VehicleClass = slot.VehicleClass;
        created.BattleScore = 0;
        created.Alias = rules.AliasOf ? rules.AliasOf(slot.Driver) : std::string();
    }
    TPlayer& record = Item(index);
    const bool isNew = record.IsNew();
    record.Flags = PlayerFlag::Seen;
    record.BestSectors = slot.BestSectors;
    record.Position[0] = slot.Position;

    if (slot.BestLap != record.BestLap) {
        if (slot.BestLap > 0.0f && !isNew) {
            record.Flags |= PlayerFlag::BestLapImproved;
        }
        record.BestLap = slot.BestLap;
    }

    // Until a session best exists, a working best is gathered from this reading.
    if (SessionBest == 0.0) {
        const bool improved = record.Has(PlayerFlag::BestLapImproved);
        if (best > 0.0) {
            if (record.BestLap > 0.0f && record.BestLap < best && !improved) {
                best = record.BestLap;
            }
        } else if (improved) {
            best = 9999.0;
        } else if (record.BestLap > 0.0f) {
            best = record.BestLap;
        }
    }

    if (slot.Pitstops != record.Pitstops) {
        if (slot.Pitstops > 0 && !isNew) {
            record.Flags |= PlayerFlag::PitstopAdded;
        }
        record.Pitstops = slot.Pitstops;
    }

    const bool slotInPits = slot.InPits != 0;
    if (slotInPits != record.InPits) {
        if (!isNew) {
            record.Flags |= PlayerFlag::PitStateChanged;
        }
        record.InPits = !record.InPits;
    }
    if (record.Has(PlayerFlag::PitStateChanged) && !record.InPits) {
        record.PitExitLap = record.Laps;
    }

    record.TimeGapToLider = slot.TimeGapToLider;
    record.LapGapToLider = slot.LapGapToLider;
    record.TimeGapToPrev[0] = slot.TimeGapToPrev;
    record.LapGapToPrev = slot.LapGapToPrev;
    record.LapDistanceTravelled[0] = slot.LapDistanceTravelled;

    if (slot.FinishStatus != record.FinishStatus) {
        if (!isNew) {
            record.Flags |= PlayerFlag::FinishStatusChanged;
        }
        record.FinishStatus = slot.FinishStatus;
    }

    if (slot.Laps != record.Laps) {
        record.Laps = slot.Laps;
        record.Flags |= PlayerFlag::LapCompleted;
    }
    if (record.Has(PlayerFlag::LapCompleted)) {
        ShiftOlder(record.LastLap);
        record.LastLap[0] = slot.LastLap;
    }
}

void TPlayers::FlagSessionBest(double best) {
    SessionBest = best;
    int holder = -1;
    for (int i = 0; i < Count(); ++i) {
        const TPlayer& record = Item(i);
        if (record.Has(PlayerFlag::BestLapImproved) && record.BestLap < best) {
            best = record.BestLap;
            holder = i;
        }
    }
    if (holder >= 0) {
        SessionBest = Item(holder).BestLap;
        Item(holder).Flags |= PlayerFlag::SessionBestLap;
    }
}

void TPlayers::SetSession(const TGameSession& session) {
    TGameSession copy = session;
    if (Session.SessionTimeDelta >= 0.0) {
        copy.SessionTimeDelta = copy.SessionTime - Session.SessionTime;
    } else {
        copy.SessionTimeDelta = 0.0;
    }
    Session = std::move(copy);
}

namespace {

// The battle score counts, per session second, how close a car runs behind the car ahead.
/// Gaps to the car ahead, in seconds; each one a chaser is under adds a step while the
/// reading's budget lasts, so the closer it runs, the faster its score grows.
constexpr float ClosingGaps[] = {6.0f, 3.0f, 1.25f, 0.85f};
/// Under this gap (s) two cars are fighting: the chaser scores even when the budget is spent.
constexpr float FightingGap = 0.55f;
/// Steps the whole field may score in one reading, from the front, so a train of close cars
/// behind a fight does not reach a battle all at once.
constexpr int StepsPerReading = 15;
/// The leader scores double, but only up to this, so it stays comparable when it is passed.
constexpr int32_t LeaderScoreCap = 150;
/// A step is the session seconds since the previous reading, rounded down after adding this:
/// a reading every 0.95 s still counts one second.
constexpr double StepRounding = 0.1;
/// Steps beyond this many seconds either way come from a broken clock, not from racing.
constexpr double MaxStepSeconds = 100000.0;

/// Adds to a score without wrapping: a session clock that keeps jumping back lowers the scores
/// by the largest step again and again, and a counter must not turn from hugely negative to
/// hugely positive.
void AddToScore(TPlayer& record, int64_t amount) {
    const int64_t sum = static_cast<int64_t>(record.BattleScore) + amount;
    record.BattleScore = static_cast<int32_t>(std::clamp<int64_t>(sum, INT32_MIN, INT32_MAX));
}

/// Adds to a car's score by how close it runs behind the car ahead, out of the shared budget.
void RaiseChaser(TPlayer& record, int step, int& budget) {
    const float gap = record.TimeGapToPrev[0];
    if (gap > 0.0f) {
        if (budget > 0) {
            for (float threshold : ClosingGaps) {
                if (gap < threshold) {
                    AddToScore(record, step);
                    --budget;
                }
            }
        }
        if (gap < FightingGap) {
            AddToScore(record, step);
            --budget;
        }
    }
    if (record.BattleScore < 0) {
        AddToScore(record, step);
    }
}

} // namespace

void UpdateBattleScores(TPlayers& players) {
    if (players.Count() < 2) {
        return;
    }
    const int leader = players.IndexOfPosition(1);
    if (leader >= 0 && players.Item(leader).Laps < 1) {
        return;
    }
    const TGameSession& session = players.GameSession();
    if (session.GamePhase == TGamePhase::FullCourseYellow) {
        for (int i = 0; i < players.Count(); ++i) {
            players.Item(i).BattleScore = 0;
        }
        return;
    }
    const double rawStep = std::trunc(session.SessionTimeDelta + StepRounding);
    // A huge or broken time step must not overflow the integer counters.
    const int step =
        static_cast<int>(std::fmax(-MaxStepSeconds, std::fmin(MaxStepSeconds, rawStep)));
    int budget = StepsPerReading;
    bool previousFinished = false;
    const std::vector<int> byPosition = players.SeenIndexByPosition(players.Count());
    for (int position = 1; position <= players.Count(); ++position) {
        const int index = byPosition[static_cast<std::size_t>(position)];
        if (index < 0) {
            break;
        }
        TPlayer& record = players.Item(index);
        if (record.FinishStatus == TFinishStatus::Finished) {
            record.BattleScore = 0;
        } else if (position == 1) {
            if (record.BattleScore < LeaderScoreCap) {
                AddToScore(record, 2 * int64_t{step});
            }
        } else if (!previousFinished) {
            RaiseChaser(record, step, budget);
        }
        previousFinished = record.FinishStatus == TFinishStatus::Finished;
    }
}
