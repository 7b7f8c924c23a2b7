#pragma once
// Whether a reading of the followed file without "[END]" may go on air. The plug-in writes the
// marker last, so a reading without it is usually a file caught half written; but a writer that
// stalls mid-write (a share that hiccups, a plug-in paused while the simulator loads) leaves
// such a half file standing for as long as it likes, and a half file on air means phantom
// drivers, false fastest laps and false pit entries.

#include "core/platform/steadyclock.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

/// Until the writer's habit is known, a reading without the marker is taken once the file has
/// kept the same bytes this long: some writers never write it.
inline constexpr std::chrono::milliseconds UnendedReadingWait{1000};
/// Readings without the marker are taken as they come only once they have lasted this long...
inline constexpr std::chrono::milliseconds UnendedGiveUpAfter{5000};
/// ...and brought this many distinct versions, none the beginning of the next: one version
/// growing or standing still is a writer still busy with it, not one that dropped the marker.
inline constexpr int UnendedGiveUpVersions = 3;

/// The verdict on one reading without the marker.
struct TUnendedVerdict {
    bool Take = false;
    /// When held: look at the file again after this long (its bytes may not change, so no
    /// message of the watcher would come); nullopt when only a new write can change the verdict.
    std::optional<std::chrono::milliseconds> LookAgainAfter;
    /// Set on the reading at which the writer is taken not to write the marker (log it once).
    bool GaveUpNow = false;
};

/// The followed file's habit with the "[END]" marker. Once a reading with the marker has been
/// seen, a reading without it is torn: never taken however long it keeps still, unless the
/// writer has clearly stopped writing the marker (see UnendedGiveUpAfter). Before that, a
/// reading without it is taken once it has kept still for UnendedReadingWait.
class TEndMarkerRule {
  public:
    /// A reading with the marker: it is taken, and the writer is known to write it.
    void Ended();
    /// A reading without the marker, of raw bytes `bytes`, at `now`.
    TUnendedVerdict Unended(std::string_view bytes, TSteadyTime now);
    /// Whether the writer has been seen to end a reading with the marker.
    bool MarkerSeen() const { return Seen; }
    /// Whether readings without the marker are now taken as they come.
    bool GivenUp() const { return GaveUp; }

  private:
    /// True (and the run's state moved on) when `bytes` is another version than the run's last
    /// reading rather than the same one grown or unchanged.
    bool IsNewVersion(std::string_view bytes);
    TUnendedVerdict HoldOrGiveUp(TSteadyTime now);
    TUnendedVerdict WaitUntilStill(uint64_t hash, TSteadyTime now);

    bool Seen = false;
    bool GaveUp = false;
    /// The run of readings without the marker since the last one with it: when it began, its
    /// distinct versions, and the size and hash of its last reading (for the prefix test).
    std::optional<TSteadyTime> RunSince;
    int Versions = 0;
    std::size_t LastSize = 0;
    uint64_t LastHash = 0;
    /// The bytes held back under the wait, and since when the file has had them.
    uint64_t StillHash = 0;
    std::optional<TSteadyTime> StillSince;
};
