#include "app/reload.h"

#include "live/livefile.h"
#include "live/livefolder.h"
#include "live/sessionlogs.h"
#include "messages/raceevent.h"
#include "platform/bytehash.h"
#include "platform/readfile.h"

#include <exception>
#include <optional>

TFileStamp LiveFileTime = 0;
int64_t LiveFileSize = 0;
uint64_t LiveFileHash = 0;
TEndMarker LiveFileEnd;
TFeedQuiet FeedQuiet;
TPhaseWord ShownPhase;

namespace {

/// A full-course yellow stops any ranking strip for as long as it lasts (and once more when it
/// ends, in case one was started meanwhile) and queues its own message when it begins. The
/// shown phase is still the previous reading's.
void HandleFullCourseYellow(const TPhaseWord& phase, TWindowLink& windows) {
    const bool yellowNow = phase == TGamePhase::FullCourseYellow;
    const bool yellowShown = ShownPhase == TGamePhase::FullCourseYellow;
    if (!yellowNow && !yellowShown) {
        return;
    }
    if (windows.RankingMode()) {
        windows.SetRankingMode(false);
    }
    if (yellowNow && !yellowShown) {
        EventQueue.AddEvent(FullCourseYellowPhase, "", EventSeconds::FullCourseYellow);
    }
    if (windows.MessageWindowVisible()) {
        windows.RefreshStatus();
    }
}

/// The ticker's status line shows the phase, so it is redrawn when the phase changes.
void UpdatePhaseLabel(const TPhaseWord& phase, TWindowLink& windows) {
    if (ShownPhase == phase) {
        return;
    }
    windows.SetLabelText(TLabel::Phase, phase.Text());
    ShownPhase = phase;
    if (windows.MessageWindowVisible()) {
        windows.RefreshStatus();
    }
}

void MergeAndShow(TWindowLink& windows, const TReloadHooks& hooks) {
    if (!Players) {
        Players = std::make_unique<TPlayers>();
    }
    UpdatePlayers(*Players, hooks.NameRules);
    if (windows.StandingsVisible()) {
        windows.PostStandingsRedraw();
    }
    if (hooks.DetectRaceEvents) {
        hooks.DetectRaceEvents(*Players);
    }
    const TGameSession& session = Players->GameSession();
    windows.SetLabelText(TLabel::Session, session.Session.Text());
    HandleFullCourseYellow(session.GamePhase, windows);
    UpdatePhaseLabel(session.GamePhase, windows);
    windows.SetLabelText(TLabel::Flags, session.YellowFlag);
}

/// The followed file's bytes, read now, when they differ from its last reading's; nullopt
/// when they are the same. A file not read yet, or unreadable now, counts as unchanged (its
/// stamp decides).
std::optional<std::string> ChangedBytes() {
    if (LiveFileTime == 0) {
        return std::nullopt;
    }
    try {
        std::string text = ReadWholeFile(LiveFileName, MaxLiveFileSize);
        if (HashBytes(text) != LiveFileHash) {
            return text;
        }
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

std::string FileNamePart(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

/// Follows the newest live file of `folder` if it is another one than the followed file.
void SwitchToNewestFile(const std::string& folder, TWindowLink& windows) {
    // A folder that exists but cannot be listed says nothing about its files: keep following.
    const std::optional<std::string> newest = TryFindNewestLiveFile(folder);
    if (!newest || *newest == LiveFileName) {
        return;
    }
    LiveFileName = *newest;
    LiveFileTime = 0;
    LiveFileSize = 0;
    LiveFileHash = 0;
    LiveFileEnd = {};
    windows.SetLabelText(TLabel::FileName, FileNamePart(LiveFileName));
    StartNewSession();
    FeedQuiet.Reset();
    windows.PostReload();
    if (windows.MessageWindowVisible()) {
        windows.RefreshStatus();
    }
}

/// Runs one step of the cycle so that no error leaves the message handler: the log gets the
/// error's text and the records keep their last good state.
template <typename Step> void Guarded(TWindowLink& windows, Step step) {
    try {
        step();
    } catch (const std::exception& error) {
        windows.AddLog(error.what());
    } catch (...) {
        windows.AddLog("Unknown error while reading " + LiveFileName);
    }
}

/// Counts a version of the followed file without "[END]"; true (with a log line) when so
/// many came in a row that the writer no longer ends its file so.
bool GiveUpEndMarker(const std::string& text, TWindowLink& windows) {
    const uint64_t hash = HashBytes(text);
    if (hash != LiveFileEnd.LastMissedHash) {
        ++LiveFileEnd.MissedVersions;
        LiveFileEnd.LastMissedHash = hash;
    }
    if (LiveFileEnd.MissedVersions < EndMarkerGivenUpAfter) {
        return false;
    }
    LiveFileEnd = {};
    windows.AddLog(FileNamePart(LiveFileName) +
                   " no longer ends with [END]: its readings are taken as they are");
    return true;
}

/// ReadFollowedFile, with the bytes already read after `seen` when the caller has them.
void ReadSeenFile(const TFileState& seen, std::optional<std::string> bytes, TWindowLink& windows,
                  const TReloadHooks& hooks) {
    const TFileState previous{LiveFileTime, LiveFileSize};
    LiveFileTime = seen.Stamp;
    LiveFileSize = seen.Size;
    Guarded(windows, [&] {
        const std::string text = bytes            ? std::move(*bytes)
                                 : hooks.ReadText ? hooks.ReadText()
                                                  : ReadLiveFile();
        const bool ended = EndsWithEndSection(text);
        // Torn by the writer (its write brings another message), or caught while it was
        // paused mid-file (the rest of the file brings one).
        if (GetFileState(LiveFileName) != seen ||
            (LiveFileEnd.Seen && !ended && !GiveUpEndMarker(text, windows))) {
            LiveFileTime = previous.Stamp;
            LiveFileSize = previous.Size;
            return;
        }
        if (ended) {
            LiveFileEnd = {true, 0, 0};
        }
        LiveFileHash = HashBytes(text);
        ParseLiveText(text, LiveSlots, LiveSession);
        if (LiveSlots.empty()) {
            return;
        }
        MergeAndShow(windows, hooks);
    });
}

} // namespace

void UpdatePlayers(TPlayers& players, const TNameRules& rules) {
    players.Merge(LiveSlots, rules);
    players.SetSession(LiveSession);
    if (players.GameSession().Session == TSessionKind::Race) {
        UpdateBattleScores(players);
    }
}

void ReadFollowedFile(const TFileState& seen, TWindowLink& windows, const TReloadHooks& hooks) {
    ReadSeenFile(seen, std::nullopt, windows, hooks);
}

void StartNewSession() {
    if (Players) {
        SessionLogs.AddSession(*Players);
    }
    Players = std::make_unique<TPlayers>();
}

void LiveFolderChanged(const std::string& folder, TWindowLink& windows, const TReloadHooks& hooks) {
    if (!LiveFileName.empty()) {
        const TFileState state = GetFileState(LiveFileName);
        std::optional<std::string> bytes;
        if (state.Stamp != 0 && (state.Stamp != LiveFileTime || state.Size != LiveFileSize ||
                                 (bytes = ChangedBytes()))) {
            ReadSeenFile(state, std::move(bytes), windows, hooks);
            const TGamePhase phase =
                Players ? Players->GameSession().GamePhase.Is() : TGamePhase::None;
            if (const auto line = FeedQuiet.FileChanged(std::chrono::steady_clock::now(), phase,
                                                        FileNamePart(LiveFileName))) {
                windows.AddLog(*line);
            }
            return;
        }
    }
    Guarded(windows, [&] { SwitchToNewestFile(folder, windows); });
}

void CheckFeedQuiet(TWindowLink& windows, TSteadyTime now) {
    if (const auto line = FeedQuiet.Check(now, FileNamePart(LiveFileName))) {
        windows.AddLog(*line);
    }
}

void WatcherEnded(TWindowLink& windows) {
    windows.AddLog(WatcherEndedText);
}
