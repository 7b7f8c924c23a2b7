#pragma once
// The reload cycle: what the main window does with each reading of the live folder.
// Window-free: each step returns what changed (TReadingResult), which the windows apply.

#include "core/app/broadcast.h"
#include "core/live/folderreading.h"
#include "core/live/followedfile.h"
#include "core/messages/readingresult.h"
#include "core/platform/filestamp.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>

/// The title of the message a full-course yellow queues when it begins.
inline constexpr const char* FullCourseYellowPhase = "FullCourseYellow";
/// The log line when the folder watcher has ended.
inline constexpr const char* WatcherEndedText = "ログファイルの監視に失敗しました";

/// What the reload cycle calls outside the live data; empty ones are the real ones.
struct TReloadHooks {
    /// Reads the followed file's bytes; empty means ReadLiveFile. Lets a test stand in for a
    /// writer that changes the file while it is being read.
    std::function<std::string()> ReadText;
    /// The steady clock; empty means std::chrono::steady_clock. The replay and tests move
    /// their own.
    std::function<TSteadyTime()> Now;
};

/// Merges one reading's `slots` into `players`, stores its `session`, and raises the battle
/// counters when the players' Session is "Race".
void UpdatePlayers(TPlayers& players, const std::vector<TSlot>& slots, const TGameSession& session,
                   const TNameRules& rules);

/// Reads `file`, seen a moment ago in `seen`, into the broadcast's records, and returns what
/// changed: file.LiveFileTime = seen.Stamp first, so a version that fails is not read again. A
/// reading during which the file's stamp or size changed was torn by the writer: it is dropped
/// whole (no parse, no merge, no labels) and file.LiveFileTime goes back, so the write that tore
/// it, which brings its own message, is read. A reading without "[END]" is held back the same way
/// as file.LiveFileMarker decides (ReadAgainAfter says when only time can change the verdict).
/// UTF-16 text with a byte-order mark is read as UTF-8; UTF-16 without one is reported once per
/// file. A reading without cars stops silently; then merge, race events (`rankingOn`: a strip runs
/// now), the session label, the full-course-yellow handling (ranking strip off, one
/// "FullCourseYellow" event when it begins), the phase label and the flag label. Any error is
/// a log line and the records keep their last good state; nothing escapes.
TReadingResult ReadFollowedFile(TFollowedFile& file, TBroadcast& live, const TFileState& seen,
                                bool rankingOn, const TReloadHooks& hooks = {});

/// Takes up `path` as the followed file, as a new session: `file` starts afresh (nothing of
/// the previous file is kept: stamp, size, hash, its [END] habit, the quiet clock) and the
/// records are archived (StartNewSession); the result sets the file label, asks for a reading
/// at once and refreshes the status line. The program's switch to a newer file and the
/// replay's --switch both use it.
TReadingResult FollowFile(TFollowedFile& file, TBroadcast& live, const std::string& path);

/// Applies a reading of `folder` (ReadLiveFolder, made on the reader thread) on the window
/// thread: takes the followed file's bytes as ReadFollowedFile does when its stamp or size
/// changed, or, both equal, when its bytes differ from the last reading's (a file system with
/// one-second stamps, a writer that restores the time, a share's cached attributes); otherwise,
/// if the newest live file it found is another one, follows it (FollowFile). A reading of
/// another folder or file than the followed one was taken before a switch and is dropped.
/// `now` drives the [END] rule.
TReadingResult ApplyFolderReading(TFollowedFile& file, TBroadcast& live, const std::string& folder,
                                  TFolderReading reading, bool rankingOn, TSteadyTime now);

/// The reload cycle in one step on the calling thread (tests, benchmarks): ReadLiveFolder,
/// then ApplyFolderReading.
TReadingResult LiveFolderChanged(TFollowedFile& file, TBroadcast& live, const std::string& folder,
                                 bool rankingOn, const TReloadHooks& hooks = {});

/// Called about once a second: says, once, that a running session's file has stopped
/// changing, and, when the last look at the folder found another live file written after it,
/// that this file is hidden by the name order and why. It touches no disk.
TReadingResult CheckFeedQuiet(TFollowedFile& file, TSteadyTime now);
