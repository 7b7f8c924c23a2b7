#include "core/app/reload.h"

#include "core/live/folderreading.h"
#include "core/live/livefile.h"
#include "core/live/textencoding.h"
#include "core/messages/racedetect.h"
#include "core/platform/bytehash.h"
#include "core/platform/readfile.h"

#include <exception>
#include <optional>

namespace {

/// A full-course yellow stops any ranking strip for as long as it lasts (and once more when it
/// ends, in case one was started meanwhile) and queues its own message when it begins. The
/// shown phase is still the previous reading's.
void HandleFullCourseYellow(const TPhaseWord& phase, TBroadcast& live, TReadingResult& result) {
    const bool yellowNow = phase == TGamePhase::FullCourseYellow;
    const bool yellowShown = live.ShownPhase == TGamePhase::FullCourseYellow;
    if (!yellowNow && !yellowShown) {
        return;
    }
    result.StopRanking = true;
    if (yellowNow && !yellowShown) {
        result.Event(FullCourseYellowPhase, "", EventSeconds::FullCourseYellow);
    }
    result.RefreshStatus = true;
}

/// The ticker's status line shows the phase, so it is redrawn when the phase changes.
void UpdatePhaseLabel(const TPhaseWord& phase, TBroadcast& live, TReadingResult& result) {
    if (live.ShownPhase == phase) {
        return;
    }
    result.SetLabel(TLabel::Phase, phase.Text());
    live.ShownPhase = phase;
    result.RefreshStatus = true;
}

void MergeAndShow(const std::vector<TSlot>& slots, TBroadcast& live, bool rankingOn,
                  TReadingResult& result) {
    UpdatePlayers(*live.Players, slots, live.LiveSession, live.Names.MergeRules());
    result.Merged = true;
    DetectRaceEvents(*live.Players, rankingOn, result, live.ClassView);
    const TGameSession& session = live.Players->GameSession();
    result.SetLabel(TLabel::Session, session.Session.Text());
    HandleFullCourseYellow(session.GamePhase, live, result);
    UpdatePhaseLabel(session.GamePhase, live, result);
    result.SetLabel(TLabel::Flags, session.YellowFlag);
}

/// Whether `reading` finds the followed file changed since it was last read: its stamp or
/// size, or, both equal, its bytes (a file system with one-second stamps, a writer that
/// restores the time, a share's cached attributes). A file not read yet, or unreadable now,
/// counts as unchanged when its stamp and size are.
bool ChangedSinceRead(const TFollowedFile& file, const TFolderReading& reading) {
    if (reading.Seen != TFileState{file.LiveFileTime, file.LiveFileSize}) {
        return true;
    }
    return file.LiveFileTime != 0 && reading.Bytes &&
           HashBytes(*reading.Bytes) != file.LiveFileHash;
}

std::string FileNamePart(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

/// Follows the newest live file the reading found if it is another one than the followed
/// file.
void SwitchToNewestFile(TFollowedFile& file, TBroadcast& live, const TFolderReading& reading,
                        TReadingResult& result) {
    // A folder that exists but cannot be listed says nothing about its files: keep following.
    if (!reading.Newest || *reading.Newest == file.LiveFileName) {
        return;
    }
    result.Add(FollowFile(file, live, *reading.Newest));
}

/// Runs one step of the cycle so that no error leaves the message handler: the log gets the
/// error's text and the records keep their last good state.
template <typename Step>
void Guarded(const TFollowedFile& file, TReadingResult& result, Step step) {
    try {
        step();
    } catch (const std::exception& error) {
        result.Log(error.what());
    } catch (...) {
        result.Log("Unknown error while reading " + file.LiveFileName);
    }
}

/// True when a reading without "[END]", of text `bytes`, is to be taken (see
/// TEndMarkerRule); otherwise it is held back, and looked at again when only time can change
/// that.
bool TakeUnendedReading(TFollowedFile& file, std::string_view bytes, TSteadyTime now,
                        TReadingResult& result) {
    const TUnendedVerdict verdict = file.LiveFileMarker.Unended(bytes, now);
    if (verdict.GaveUpNow) {
        result.Log(FileNamePart(file.LiveFileName) +
                   " does not end with [END]: its readings are taken as they are");
    }
    if (verdict.LookAgainAfter) {
        result.ReadAgainAfter = *verdict.LookAgainAfter;
    }
    return verdict.Take;
}

/// The followed file's bytes as the parser reads them (UTF-16 converted); a file that looks
/// like UTF-16 without a byte-order mark is reported once.
std::string ParserText(TFollowedFile& file, std::string bytes, TReadingResult& result) {
    TTextEncoding encoding = TTextEncoding::Bytes;
    std::string text = LiveTextBytes(std::move(bytes), encoding);
    if (encoding == TTextEncoding::Utf16WithoutMark &&
        file.EncodingReportedFor != file.LiveFileName) {
        file.EncodingReportedFor = file.LiveFileName;
        result.Log(FileNamePart(file.LiveFileName) +
                   " looks like UTF-16 text without a byte-order mark and cannot be read: "
                   "the plug-in must write UTF-8, or UTF-16 that starts with a mark");
    }
    return text;
}

/// Takes a reading of the followed file: file.LiveFileTime = its stamp first, so a version that
/// fails is not read again; then as ReadFollowedFile says.
void TakeReading(TFollowedFile& file, TBroadcast& live, TFolderReading reading, bool rankingOn,
                 TSteadyTime now, TReadingResult& result) {
    const TFileState previous{file.LiveFileTime, file.LiveFileSize};
    file.LiveFileTime = reading.Seen.Stamp;
    file.LiveFileSize = reading.Seen.Size;
    if (!reading.Bytes) {
        result.Log(reading.Error);
        return;
    }
    Guarded(file, result, [&] {
        std::string raw = std::move(*reading.Bytes);
        // The hash is of the bytes on disk, which is what a later look compares.
        const uint64_t rawHash = HashBytes(raw);
        const std::string text = ParserText(file, std::move(raw), result);
        const bool ended = EndsWithEndSection(text);
        // Torn by the writer (its write brings another message), or without its end: caught
        // while the writer was busy (the rest of the file brings a message), or from a writer
        // that does not end it so.
        if (reading.Torn || (!ended && !TakeUnendedReading(file, text, now, result))) {
            file.LiveFileTime = previous.Stamp;
            file.LiveFileSize = previous.Size;
            return;
        }
        if (ended) {
            file.LiveFileMarker.Ended();
        }
        file.LiveFileHash = rawHash;
        ParseLiveText(text, file.LiveSlots, live.LiveSession);
        if (file.LiveSlots.empty()) {
            return;
        }
        MergeAndShow(file.LiveSlots, live, rankingOn, result);
    });
}

TSteadyTime NowOf(const TReloadHooks& hooks) {
    return hooks.Now ? hooks.Now() : std::chrono::steady_clock::now();
}

} // namespace

void UpdatePlayers(TPlayers& players, const std::vector<TSlot>& slots, const TGameSession& session,
                   const TNameRules& rules) {
    players.Merge(slots, rules);
    players.SetSession(session);
    if (players.GameSession().Session == TSessionKind::Race) {
        UpdateBattleScores(players);
    }
}

TReadingResult ReadFollowedFile(TFollowedFile& file, TBroadcast& live, const TFileState& seen,
                                bool rankingOn, const TReloadHooks& hooks) {
    TReadingResult result;
    TakeReading(file, live, ReadFollowedBytes(file.LiveFileName, seen, hooks.ReadText), rankingOn,
                NowOf(hooks), result);
    return result;
}

TReadingResult FollowFile(TFollowedFile& file, TBroadcast& live, const std::string& path) {
    // Nothing known of the new file: not its stamp, nor whether its writer ends it with [END].
    file = TFollowedFile(path);
    live.StartNewSession();
    TReadingResult result;
    result.SetLabel(TLabel::FileName, FileNamePart(file.LiveFileName));
    result.ReadNow = true;
    result.RefreshStatus = true;
    return result;
}

TReadingResult ApplyFolderReading(TFollowedFile& file, TBroadcast& live, const std::string& folder,
                                  TFolderReading reading, bool rankingOn, TSteadyTime now) {
    TReadingResult result;
    // Taken before a switch of folder or file: what follows it is read anew.
    if (reading.Folder != folder || reading.Path != file.LiveFileName) {
        return result;
    }
    if (!file.LiveFileName.empty() && reading.Seen.Stamp != 0 && ChangedSinceRead(file, reading)) {
        TakeReading(file, live, std::move(reading), rankingOn, now, result);
        const TGamePhase phase = live.Players->GameSession().GamePhase.Is();
        // The quiet clock is the real one: a replay's or test's own clock only moves the marker
        // rule.
        if (const auto line = file.FeedQuiet.FileChanged(std::chrono::steady_clock::now(), phase,
                                                         FileNamePart(file.LiveFileName))) {
            result.Log(*line);
        }
        return result;
    }
    if (!reading.FolderError.empty()) {
        result.Log(reading.FolderError);
    }
    if (reading.FolderLooked) {
        file.WrittenAfter = reading.WrittenAfter;
    }
    Guarded(file, result, [&] { SwitchToNewestFile(file, live, reading, result); });
    return result;
}

TReadingResult LiveFolderChanged(TFollowedFile& file, TBroadcast& live, const std::string& folder,
                                 bool rankingOn, const TReloadHooks& hooks) {
    const TSteadyTime now = NowOf(hooks);
    return ApplyFolderReading(file, live, folder,
                              ReadLiveFolder(folder, file.LiveFileName,
                                             {file.LiveFileTime, file.LiveFileSize},
                                             hooks.ReadText),
                              rankingOn, now);
}

TReadingResult CheckFeedQuiet(TFollowedFile& file, TSteadyTime now) {
    TReadingResult result;
    const std::string followed = FileNamePart(file.LiveFileName);
    const auto line = file.FeedQuiet.Check(now, followed);
    if (!line) {
        return result;
    }
    result.Log(*line);
    if (const std::optional<std::string>& other = file.WrittenAfter) {
        const std::string written = FileNamePart(*other);
        result.Log(written + " is being written while " + followed +
                   " is not, but it is not followed because its name sorts before " + followed +
                   ": the clock of the PC that named " + followed + " was probably ahead. Move " +
                   followed + " out of the folder to follow " + written + ".");
    }
    return result;
}
