#pragma once
// The live file being followed and all that is known of it: whoever follows a file owns one,
// and a switch to another file starts a fresh one, so nothing of the old file can linger.

#include "core/live/endmarker.h"
#include "core/live/feedquiet.h"
#include "core/live/livefile.h"
#include "core/platform/filestamp.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TFollowedFile {
    TFollowedFile() = default;
    explicit TFollowedFile(std::string path) : LiveFileName(std::move(path)) {}

    /// The file's path; empty when none is followed.
    std::string LiveFileName;
    /// Its stamp when it was last read; 0 = not read yet.
    TFileStamp LiveFileTime = 0;
    /// Size and a hash of its bytes at the last reading: with the stamp they tell whether it
    /// changed, also where stamps are coarse or cached.
    int64_t LiveFileSize = 0;
    uint64_t LiveFileHash = 0;
    /// Its writer's habit with the "[END]" marker: decides whether a reading without it is
    /// taken.
    TEndMarkerRule LiveFileMarker;
    /// Whether its feed has gone quiet.
    TFeedQuiet FeedQuiet;
    /// The cars of its latest reading, in file order. Kept, so that each reading's slots and
    /// their strings reuse the memory of the one before.
    std::vector<TSlot> LiveSlots;
    /// The live file written after it, as the last look at the folder found.
    std::optional<std::string> WrittenAfter;
    /// The name under which it looked like UTF-16 without a byte-order mark, and the operator
    /// was told once (a replay's snapshots each have a name of their own).
    std::string EncodingReportedFor;
};
