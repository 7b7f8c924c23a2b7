#pragma once
// One record per driver of the followed live file, merged from every reading, with short
// histories and the marks of what the latest reading changed.

#include "core/live/livefile.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

/// Bits of TPlayer::Flags; all describe the latest merge only.
namespace PlayerFlag {
constexpr uint8_t Seen = 0x01;
constexpr uint8_t BestLapImproved = 0x02;
constexpr uint8_t FinishStatusChanged = 0x04;
constexpr uint8_t PitStateChanged = 0x08;
constexpr uint8_t PitstopAdded = 0x10;
constexpr uint8_t LapCompleted = 0x20;
constexpr uint8_t SessionBestLap = 0x40;
constexpr uint8_t Absent = 0x80;
} // namespace PlayerFlag

constexpr int HistoryDepth = 5;

struct TPlayer {
    std::string Driver;
    std::string Vehicle;
    std::string VehicleClass;
    std::string Alias;
    std::array<int32_t, HistoryDepth> Position{};
    int32_t Laps = 0;
    float BestLap = 0.0f;
    std::array<float, HistoryDepth> LastLap{};
    std::array<float, 3> BestSectors{};
    int32_t Pitstops = 0;
    bool InPits = false;
    float TimeGapToLider = 0.0f;
    int32_t LapGapToLider = 0;
    std::array<float, HistoryDepth> TimeGapToPrev{};
    int32_t LapGapToPrev = 0;
    std::array<double, HistoryDepth> LapDistanceTravelled{};
    TFinishWord FinishStatus;
    /// How many earlier readings the histories hold (0..5); 0 means first merged just now.
    int32_t HistoryCount = 0;
    uint8_t Flags = 0;
    int32_t BattleScore = 0;
    /// Laps the record had before the merge in which it last left the pits.
    int32_t PitExitLap = 0;

    bool Has(uint8_t flag) const { return (Flags & flag) != 0; }
    bool IsNew() const { return HistoryCount == 0; }
};

/// What the merge asks about names: whom to skip and which alias a new record takes.
/// Empty functions ignore nobody and give no alias.
struct TNameRules {
    std::function<bool(const std::string& driver)> IsIgnored;
    std::function<std::string(const std::string& driver)> AliasOf;
};

class TPlayers {
  public:
    TPlayers();

    /// The record at `index` (0..Count()-1; the caller keeps to the range).
    TPlayer& Item(int index);
    const TPlayer& Item(int index) const;
    /// The players' copy of the latest session values.
    const TGameSession& GameSession() const;
    /// How many records were in the latest reading.
    int CountSeen() const;

    int Count() const { return static_cast<int>(Records.size()); }
    double SessionBestTime() const { return SessionBest; }
    /// The best lap each class has had this session, as the class view keeps it: a class's new
    /// fastest lap must beat it, even when its holder has left the file since.
    std::vector<std::pair<std::string, float>>& ClassBestTimes() { return BestOfClasses; }

    /// Appends a zeroed record and returns its index.
    int AddPlayer();
    /// The hint when that record has the name, else the first record with it, else -1.
    /// Names compare exactly. A record's Driver is its key: it is set before the record is
    /// first looked up and not changed after.
    int IndexOfDriver(std::string_view name, int hint) const;
    /// The first Seen record whose latest position is `position`, or -1.
    int IndexOfPosition(int32_t position) const;
    /// For each position 1..lastPosition, the IndexOfPosition answer (-1 when none), found in
    /// one pass so that walking the standings costs O(n) rather than O(n^2). Index 0 unused.
    std::vector<int> SeenIndexByPosition(int lastPosition) const;

    /// Merges one reading's cars into the records and marks what changed.
    void Merge(const std::vector<TSlot>& slots, const TNameRules& rules = {});
    /// Stores the reading's session values and the session seconds since the previous one.
    void SetSession(const TGameSession& session);

  private:
    /// The record a slot merges into, created when new; -1 for an ignored driver.
    int RecordFor(const TSlot& slot, int hint, const TNameRules& rules);
    void MergeSlot(const TSlot& slot, int index, double& best);
    void FinishMerge(double best);
    void IndexNewRecords() const;
    void GrowNameTable() const;
    /// Where the name's entry is in NameTable, or the empty entry where it would go.
    std::size_t FindName(std::string_view name, uint64_t hash) const;
    std::string_view KeyOf(int index) const;
    bool IsKeyOf(int index, std::string_view name) const;

    std::vector<TPlayer> Records;
    TGameSession Session;
    double SessionBest = 0.0;
    std::vector<std::pair<std::string, float>> BestOfClasses;
    /// Which merge last touched each record, so that one pass at the end finds the rest.
    std::vector<uint32_t> MergedIn;
    uint32_t MergeNumber = 0;

    // The name index. A large field's records and their names are scattered over the heap, and
    // looking a name up there cost a cache miss or two per car; the keys are kept together
    // here instead, in a table of a few kilobytes. Records past IndexedCount are not in it yet.
    struct TNameEntry {
        uint32_t Tag = 0;
        int32_t Index = -1;
    };
    mutable std::string Keys;
    mutable std::vector<uint32_t> KeyStart{0};
    mutable std::vector<uint64_t> KeyHash;
    /// Open addressing; the first record with a name holds its entry.
    mutable std::vector<TNameEntry> NameTable;
    mutable int IndexedCount = 0;
};

/// Raises the closeness counters after a race reading has been merged and its session stored.
void UpdateBattleScores(TPlayers& players);
