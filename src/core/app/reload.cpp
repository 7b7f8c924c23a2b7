#include "app/reload.h"

#include "live/livefile.h"
#include "live/livefolder.h"
#include "live/sessionlogs.h"
#include "live/textencoding.h"
#include "messages/raceevent.h"
#include "platform/bytehash.h"
#include "platform/readfile.h"

#include <exception>
#include <optional>

TFileStamp LiveFileTime = 0;
int64_t LiveFileSize = 0;
uint64_t LiveFileHash = 0;
TEndMarkerRule LiveFileMarker;
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
    FollowFile(*newest, windows);
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

/// True when a reading without "[END]", of text `bytes`, is to be taken (see
/// TEndMarkerRule); otherwise it is held back, and looked at again when only time can change
/// that.
bool TakeUnendedReading(std::string_view bytes, TSteadyTime now, TWindowLink& windows) {
    const TUnendedVerdict verdict = LiveFileMarker.Unended(bytes, now);
    if (verdict.GaveUpNow) {
        windows.AddLog(FileNamePart(LiveFileName) +
                       " does not end with [END]: its readings are taken as they are");
    }
    if (verdict.LookAgainAfter) {
        windows.PostReloadAfter(*verdict.LookAgainAfter);
    }
    return verdict.Take;
}

/// The followed file's bytes as the parser reads them (UTF-16 converted); a file that looks
/// like UTF-16 without a byte-order mark is reported once.
std::string ParserText(std::string bytes, TWindowLink& windows) {
    static std::string reportedFile;
    TTextEncoding encoding = TTextEncoding::Bytes;
    std::string text = LiveTextBytes(std::move(bytes), encoding);
    if (encoding == TTextEncoding::Utf16WithoutMark && reportedFile != LiveFileName) {
        reportedFile = LiveFileName;
        windows.AddLog(FileNamePart(LiveFileName) +
                       " looks like UTF-16 text without a byte-order mark and cannot be read: "
                       "the plug-in must write UTF-8, or UTF-16 that starts with a mark");
    }
    return text;
}

/// ReadFollowedFile, with the bytes already read after `seen` when the caller has them.
void ReadSeenFile(const TFileState& seen, std::optional<std::string> bytes, TWindowLink& windows,
                  const TReloadHooks& hooks) {
    const TFileState previous{LiveFileTime, LiveFileSize};
    LiveFileTime = seen.Stamp;
    LiveFileSize = seen.Size;
    Guarded(windows, [&] {
        std::string raw = bytes            ? std::move(*bytes)
                          : hooks.ReadText ? hooks.ReadText()
                                           : ReadLiveFile();
        // The hash is of the bytes on disk, which is what a later look compares.
        const uint64_t rawHash = HashBytes(raw);
        const TSteadyTime now = hooks.Now ? hooks.Now() : std::chrono::steady_clock::now();
        const std::string text = ParserText(std::move(raw), windows);
        const bool ended = EndsWithEndSection(text);
        // Torn by the writer (its write brings another message), or without its end: caught
        // while the writer was busy (the rest of the file brings a message), or from a writer
        // that does not end it so.
        if (GetFileState(LiveFileName) != seen ||
            (!ended && !TakeUnendedReading(text, now, windows))) {
            LiveFileTime = previous.Stamp;
            LiveFileSize = previous.Size;
            return;
        }
        if (ended) {
            LiveFileMarker.Ended();
        }
        LiveFileHash = rawHash;
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

void FollowFile(const std::string& path, TWindowLink& windows) {
    LiveFileName = path;
    // Nothing known of the new file: not its stamp, nor whether its writer ends it with [END].
    LiveFileTime = 0;
    LiveFileSize = 0;
    LiveFileHash = 0;
    LiveFileMarker = {};
    windows.SetLabelText(TLabel::FileName, FileNamePart(LiveFileName));
    StartNewSession();
    FeedQuiet.Reset();
    windows.PostReload();
    if (windows.MessageWindowVisible()) {
        windows.RefreshStatus();
    }
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

void CheckFeedQuiet(const std::string& folder, TWindowLink& windows, TSteadyTime now) {
    const std::string followed = FileNamePart(LiveFileName);
    const auto line = FeedQuiet.Check(now, followed);
    if (!line) {
        return;
    }
    windows.AddLog(*line);
    if (const auto other = LiveFileWrittenAfter(folder, LiveFileName)) {
        const std::string written = FileNamePart(*other);
        windows.AddLog(written + " is being written while " + followed +
                       " is not, but it is not followed because its name sorts before " +
                       followed + ": the clock of the PC that named " + followed +
                       " was probably ahead. Move " + followed +
                       " out of the folder to follow " + written + ".");
    }
}

void WatcherEnded(TWindowLink& windows) {
    windows.AddLog(WatcherEndedText);
}
