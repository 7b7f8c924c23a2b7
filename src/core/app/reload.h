#pragma once
// The reload cycle: what the main window does when the live folder changes. Window-free; it
// reaches the windows only through TWindowLink.

#include "live/endmarker.h"
#include "live/feedquiet.h"
#include "live/players.h"
#include "live/windowlink.h"
#include "platform/filestamp.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>

/// The stamp of the followed file when it was last read; 0 = not read yet.
extern TFileStamp LiveFileTime; // LiveFileName lives in live/livefile.h
/// Size and a hash of the bytes of the followed file at its last reading: with LiveFileTime
/// they tell whether it changed, also where stamps are coarse or cached.
extern int64_t LiveFileSize;
extern uint64_t LiveFileHash;
/// The followed file's habit with the "[END]" marker: decides whether a reading without it is
/// taken.
extern TEndMarkerRule LiveFileMarker;
/// Whether the followed file's feed has gone quiet.
extern TFeedQuiet FeedQuiet;
/// The phase on the phase label, as bytes: a change of phase is seen against it, never against
/// what a window gives back.
extern TPhaseWord ShownPhase;

/// The title of the message a full-course yellow queues when it begins.
inline constexpr const char* FullCourseYellowPhase = "FullCourseYellow";
/// The log line when the folder watcher has ended.
inline constexpr const char* WatcherEndedText = "ログファイルの監視に失敗しました";

/// What the reload cycle calls outside the live data; the program and the replay command plug
/// in the real ones.
struct TReloadHooks {
    /// Ignore test and alias lookup for Merge.
    TNameRules NameRules;
    /// Race event detection after each merge; may be empty.
    std::function<void(TPlayers&)> DetectRaceEvents;
    /// Reads the followed file's bytes; empty means ReadLiveFile. Lets a test stand in for a
    /// writer that changes the file while it is being read.
    std::function<std::string()> ReadText;
    /// The steady clock; empty means std::chrono::steady_clock. The replay and tests move
    /// their own.
    std::function<TSteadyTime()> Now;
};

/// Merges LiveSlots into `players`, stores LiveSession, and raises the battle counters when the
/// players' Session is "Race".
void UpdatePlayers(TPlayers& players, const TNameRules& rules);

/// Reads the followed file, seen a moment ago in `seen`, into Players and updates the labels:
/// LiveFileTime = seen.Stamp first, so a version that fails is not read again. A reading during
/// which the file's stamp or size changed was torn by the writer: it is dropped whole (no
/// parse, no merge, no labels) and LiveFileTime goes back, so the write that tore it, which
/// brings its own message, is read. A reading without "[END]" is held back the same way as
/// LiveFileMarker decides (a reload is asked for through PostReloadAfter when only time can
/// change the verdict). UTF-16 text with a byte-order mark is read as UTF-8; UTF-16 without one
/// is reported once per file. A reading without cars stops silently; then merge,
/// standings redraw (if visible), race events, the session label, the full-course-yellow handling
/// (ranking strip off, one "FullCourseYellow" event when it begins), the phase label and the flag
/// label. Any error is appended to the log and the records keep their last good state; nothing
/// escapes.
void ReadFollowedFile(const TFileState& seen, TWindowLink& windows, const TReloadHooks& hooks);

/// Archives the current Players into SessionLogs and replaces Players with a fresh TPlayers.
void StartNewSession();

/// Takes up `path` as the followed file, as a new session: forgets all that was known of the
/// previous file (stamp, size, hash, its [END] habit), sets the file label, archives the
/// records (StartNewSession), restarts the quiet clock, posts a reload and refreshes the
/// status line. The program's switch to a newer file and the replay's --switch both use it.
void FollowFile(const std::string& path, TWindowLink& windows);

/// The whole handler of WmLiveFolderChanged: re-reads the followed file when its stamp or size
/// changed, or, both equal, when its bytes differ from the last reading's (a file system with
/// one-second stamps, a writer that restores the time, a share's cached attributes);
/// otherwise looks for the newest live file in `folder` and, if it is another one, switches to
/// it (new session, file label, a reload posted so it is read at once, status refresh).
void LiveFolderChanged(const std::string& folder, TWindowLink& windows, const TReloadHooks& hooks);

/// Called about once a second: logs, once, that a running session's file has stopped changing,
/// and, when another live file of `folder` was written after it, that this file is hidden by
/// the name order and why.
void CheckFeedQuiet(const std::string& folder, TWindowLink& windows, TSteadyTime now);

/// The handler of WmWatcherEnded: logs "ログファイルの監視に失敗しました".
void WatcherEnded(TWindowLink& windows);
