#include "core/live/players.h"

#include "core/platform/bytehash.h"
#include "core/platform/bytewords.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

template <typename T> void ShiftOlder(std::array<T, HistoryDepth>& history) {
    for (int i = HistoryDepth - 1; i > 0; --i) {
        history[i] = history[i - 1];
    }
}

/// Asks the processor to bring a record into its cache, for writing, without waiting for it.
void Prefetch(const TPlayer& record) {
#if defined(__GNUC__)
    const char* bytes = reinterpret_cast<const char*>(&record);
    for (std::size_t at = 0; at < sizeof record; at += 64) {
        __builtin_prefetch(bytes + at, 1);
    }
#else
    (void)record;
#endif
}

/// A driver name's hash. A name of 8 to 24 bytes is taken in three overlapping words, with no
/// loop: in a large field a loop whose length changes from name to name mispredicts often.
uint64_t NameHash(std::string_view name) {
    const std::size_t size = name.size();
    if (size < 8 || size > 24) {
        return HashBytes(name);
    }
    const char* p = name.data();
    const uint64_t hash = MixHashWord(
        MixHashWord(MixHashWord(size * HashMultiplier, Load64(p)), Load64(p + size / 2 - 4)),
        Load64(p + size - 8));
    // One more multiply, so that bytes at the end of a word reach the low bits the table uses.
    const uint64_t spread = (hash ^ (hash >> 32)) * HashMultiplier;
    return spread ^ (spread >> 32);
}

/// Moves a record's histories on by one reading, when the previous reading had it.
void ShiftHistory(TPlayer& record) {
    if (!record.Has(PlayerFlag::Seen)) {
        return;
    }
    ShiftOlder(record.Position);
    ShiftOlder(record.TimeGapToPrev);
    ShiftOlder(record.LapDistanceTravelled);
    if (record.HistoryCount < HistoryDepth) {
        ++record.HistoryCount;
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
    MergedIn.push_back(0);
    return Count() - 1;
}

std::string_view TPlayers::KeyOf(int index) const {
    const std::size_t at = static_cast<std::size_t>(index);
    return std::string_view(Keys).substr(KeyStart[at], KeyStart[at + 1] - KeyStart[at]);
}

bool TPlayers::IsKeyOf(int index, std::string_view name) const {
    const std::string_view key = KeyOf(index);
    return key.size() == name.size() && SameBytes(key.data(), name.data(), name.size());
}

std::size_t TPlayers::FindName(std::string_view name, uint64_t hash) const {
    const auto tag = static_cast<uint32_t>(hash >> 32);
    const std::size_t mask = NameTable.size() - 1;
    std::size_t at = hash & mask;
    for (; NameTable[at].Index >= 0; at = (at + 1) & mask) {
        if (NameTable[at].Tag == tag && IsKeyOf(NameTable[at].Index, name)) {
            break;
        }
    }
    return at;
}

void TPlayers::GrowNameTable() const {
    NameTable.assign(std::max<std::size_t>(64, NameTable.size() * 2), TNameEntry{});
    for (int i = 0; i < IndexedCount; ++i) {
        const uint64_t hash = KeyHash[static_cast<std::size_t>(i)];
        TNameEntry& entry = NameTable[FindName(KeyOf(i), hash)];
        if (entry.Index < 0) {
            entry = TNameEntry{static_cast<uint32_t>(hash >> 32), i};
        }
    }
}

void TPlayers::IndexNewRecords() const {
    for (; IndexedCount < Count(); ++IndexedCount) {
        // A quarter full at most: most lookups then end at their first entry.
        if (4 * (static_cast<std::size_t>(IndexedCount) + 1) > NameTable.size()) {
            GrowNameTable();
        }
        const std::string& name = Records[static_cast<std::size_t>(IndexedCount)].Driver;
        Keys += name;
        KeyStart.push_back(static_cast<uint32_t>(Keys.size()));
        const uint64_t hash = NameHash(name);
        KeyHash.push_back(hash);
        TNameEntry& entry = NameTable[FindName(name, hash)];
        if (entry.Index < 0) { // else an earlier record has the name and keeps the entry
            entry = TNameEntry{static_cast<uint32_t>(hash >> 32), IndexedCount};
        }
    }
}

int TPlayers::IndexOfDriver(std::string_view name, int hint) const {
    IndexNewRecords();
    if (NameTable.empty()) {
        return -1;
    }
    const uint64_t hash = NameHash(name);
    if (hint >= 0 && hint < Count() && KeyHash[static_cast<std::size_t>(hint)] == hash &&
        IsKeyOf(hint, name)) {
        return hint;
    }
    return NameTable[FindName(name, hash)].Index;
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

void TPlayers::Merge(const std::vector<TSlot>& slots, const TNameRules& rules) {
    if (++MergeNumber == 0) {
        // After four billion merges the numbers come round: forget the old ones.
        std::fill(MergedIn.begin(), MergedIn.end(), 0);
        MergeNumber = 1;
    }
    // Each slot's record is found one slot ahead and fetched while the slot before is merged:
    // in a large field the records lie beyond the processor's nearest caches. Finding a record
    // depends only on the earlier slots' names, never on their values, so the order is safe.
    double best = SessionBest;
    int next = slots.empty() ? -1 : RecordFor(slots[0], 0, rules);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const int index = next;
        if (i + 1 < slots.size()) {
            next = RecordFor(slots[i + 1], static_cast<int>(i + 1), rules);
            if (next >= 0) {
                Prefetch(Item(next));
            }
        }
        if (index >= 0) {
            MergeSlot(slots[i], index, best);
        }
    }
    FinishMerge(best);
}

int TPlayers::RecordFor(const TSlot& slot, int hint, const TNameRules& rules) {
    if (rules.IsIgnored && rules.IsIgnored(slot.Driver)) {
        return -1;
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
    return index;
}

void TPlayers::MergeSlot(const TSlot& slot, int index, double& best) {
    TPlayer& record = Item(index);
    // The histories move on once per merge, on the record's first slot of the reading; a
    // second slot with the same name merges again over the first.
    if (MergedIn[static_cast<std::size_t>(index)] != MergeNumber) {
        MergedIn[static_cast<std::size_t>(index)] = MergeNumber;
        ShiftHistory(record);
    }
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

/// One pass over the records after the reading's slots: the records it did not name turn absent
/// (their histories move on once more when they were seen before), and the fastest improved
/// best lap, when under the session best, becomes the new session best.
void TPlayers::FinishMerge(double best) {
    const bool hasBest = best > 0.0;
    int holder = -1;
    for (int i = 0; i < Count(); ++i) {
        TPlayer& record = Item(i);
        if (MergedIn[static_cast<std::size_t>(i)] != MergeNumber) {
            ShiftHistory(record);
            record.Flags = PlayerFlag::Absent;
        } else if (hasBest && record.Has(PlayerFlag::BestLapImproved) && record.BestLap < best) {
            best = record.BestLap;
            holder = i;
        }
    }
    if (hasBest) {
        SessionBest = best;
    }
    if (holder >= 0) {
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
