#include "core/app/reload.h"
#include "core/live/livefile.h"
#include "core/live/sessionlogs.h"
#include "core/messages/raceevent.h"
#include "tools/headless/headlesswindows.h"

#include <gtest/gtest.h>

#include "tests/support/livetext.h"
#include "tests/support/testfiles.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

class ReloadCycle : public ::testing::Test {
  protected:
    std::string PathOf(const std::string& name) const { return Folder.File(name); }

    /// Writes a file with a last-write time later than any before, so every write is a change
    /// however coarse the file system's clock.
    void Write(const std::string& name, const std::string& text) {
        const std::string path = PathOf(name);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        ASSERT_TRUE(SetWriteTime(path, ++Clock));
    }

    /// One WmLiveFolderChanged.
    void Changed() {
        ApplyReadingResult(Windows,
                           LiveFolderChanged(File, Live, Folder.String(), Windows.Ranking, Hooks),
                           Live.EventQueue);
    }

    /// Follows `name` and reads it, as the first two messages after start do.
    void Follow(const std::string& name, const std::string& text) {
        Write(name, text);
        Changed();
        ASSERT_EQ(File.LiveFileName, PathOf(name));
        Changed();
    }

    const TTempFolder Folder{"kestrune-reload"};
    THeadlessWindows Windows;
    TBroadcast Live;
    TFollowedFile File;
    TReloadHooks Hooks;
    time_t Clock = 1'600'000'000;
};

TEST_F(ReloadCycle, FollowsTheNewestFileAndReadsItOnlyWhenItChanges) {
    Changed(); // empty folder: nothing to follow, nothing happens
    EXPECT_EQ(File.LiveFileName, "");
    EXPECT_EQ(Windows.ReloadsPosted, 0);

    Write("a_live.txt", LiveText({{"Zed", 1}}));
    Write("B_live.txt", LiveText(TwoCars));
    const int sessions = Live.SessionLogs.Count();
    Changed();
    EXPECT_EQ(File.LiveFileName, PathOf("B_live.txt"));
    EXPECT_EQ(File.LiveFileTime, 0);
    EXPECT_EQ(Windows.LabelText(TLabel::FileName), "B_live.txt");
    EXPECT_EQ(Windows.ReloadsPosted, 1);
    EXPECT_EQ(Live.Players->Count(), 0);
    EXPECT_EQ(Live.SessionLogs.Count(), sessions); // nothing read yet, nothing to archive

    Changed(); // the posted reload reads the new file
    ASSERT_EQ(Live.Players->Count(), 2);
    EXPECT_EQ(File.LiveFileTime, GetFileStamp(PathOf("B_live.txt")));
    EXPECT_EQ(Windows.LabelText(TLabel::Session), "Race");
    EXPECT_EQ(Windows.LabelText(TLabel::Phase), "GreenFlag");
    EXPECT_EQ(Windows.LabelText(TLabel::Flags), "Sector2");

    Changed(); // unchanged stamp: search finds the same file; no read, no switch
    EXPECT_EQ(Live.Players->Item(0).HistoryCount, 0);
    EXPECT_EQ(Windows.ReloadsPosted, 1);

    Write("B_live.txt", LiveText({{"Ann", 2}, {"Bob", 1}}));
    Changed();
    EXPECT_EQ(Live.Players->Item(0).HistoryCount, 1);
    EXPECT_EQ(Live.Players->Item(0).Position[0], 2);
    EXPECT_TRUE(Windows.Log.empty());
}

TEST_F(ReloadCycle, ReadingDrivesStandingsAndNameLists) {
    Windows.StandingsShown = true;
    std::vector<std::string> ignored = {"bob"};
    Live.Names.ApplyIgnoreList(ignored);
    Live.Names.SetAliases({"ann=Queen"});
    Follow("a_live.txt", LiveText(TwoCars));
    EXPECT_EQ(Windows.StandingsRedraws, 1);
    ASSERT_EQ(Live.Players->Count(), 1);
    EXPECT_EQ(Live.Players->Item(0).Driver, "Ann");
    EXPECT_EQ(Live.Players->Item(0).Alias, "Queen");

    Windows.StandingsShown = false;
    Write("a_live.txt", LiveText(TwoCars));
    Changed();
    EXPECT_EQ(Windows.StandingsRedraws, 1);
}

TEST_F(ReloadCycle, SwitchArchivesOneSummaryAndStartsFreshRecords) {
    std::vector<TCar> twelve;
    for (int i = 1; i <= 12; ++i) {
        twelve.push_back({"Driver " + std::to_string(i), i});
    }
    Follow("a_live.txt", LiveText(twelve));
    ASSERT_EQ(Live.Players->Count(), 12);

    // While the followed file keeps changing, a newer file is not looked for.
    Write("b_live.txt", LiveText(TwoCars));
    Write("a_live.txt", LiveText(twelve));
    Changed();
    EXPECT_EQ(File.LiveFileName, PathOf("a_live.txt"));
    EXPECT_EQ(Live.Players->Item(0).HistoryCount, 1);

    Windows.MessageVisible = true;
    const int sessions = Live.SessionLogs.Count();
    const int reloads = Windows.ReloadsPosted;
    Changed();
    EXPECT_EQ(File.LiveFileName, PathOf("b_live.txt"));
    EXPECT_EQ(File.LiveFileTime, 0);
    EXPECT_EQ(Windows.LabelText(TLabel::FileName), "b_live.txt");
    EXPECT_EQ(Windows.ReloadsPosted, reloads + 1);
    EXPECT_EQ(Windows.StatusRefreshes, 1);
    ASSERT_EQ(Live.SessionLogs.Count(), sessions + 1);
    const std::vector<std::string>& summary = Live.SessionLogs.Items(sessions);
    ASSERT_EQ(summary.size(), 14u);
    EXPECT_EQ(summary[2].substr(0, 14), " 1[01]Driver 1");
    EXPECT_EQ(Live.Players->Count(), 0);
    EXPECT_DOUBLE_EQ(Live.Players->GameSession().SessionTimeDelta, -1.0);

    Changed();
    EXPECT_EQ(Live.Players->Count(), 2);
    EXPECT_EQ(Live.SessionLogs.Count(), sessions + 1);
}

TEST_F(ReloadCycle, AnErrorIsLoggedOnceAndThatVersionIsNotReadAgain) {
    Follow("a_live.txt", LiveText(TwoCars));
    ASSERT_EQ(Live.Players->Count(), 2);

    // Larger than any live file is allowed to be; sparse, so it costs no disk.
    fs::resize_file(PathOf("a_live.txt"), MaxLiveFileSize + 1);
    ASSERT_TRUE(SetWriteTime(PathOf("a_live.txt"), ++Clock));
    Changed();
    ASSERT_EQ(Windows.Log.size(), 1u);
    EXPECT_NE(Windows.Log[0].find("too large"), std::string::npos);
    EXPECT_EQ(File.LiveFileTime, GetFileStamp(PathOf("a_live.txt")));
    EXPECT_EQ(Live.Players->Count(), 2);
    EXPECT_EQ(Live.Players->Item(0).HistoryCount, 0);

    Changed(); // same stamp: searched, not read again
    EXPECT_EQ(Windows.Log.size(), 1u);
    EXPECT_EQ(File.LiveFileName, PathOf("a_live.txt"));

    // A file gone between the stamp and the read.
    File.LiveFileName = PathOf("gone_live.txt");
    ApplyReadingResult(Windows, ReadFollowedFile(File, Live, {42, 0}, false, Hooks),
                       Live.EventQueue);
    EXPECT_EQ(Windows.Log.size(), 2u);
    EXPECT_EQ(File.LiveFileTime, 42);
    EXPECT_EQ(Live.Players->Count(), 2);

    // Errors from the reader are logged too, whatever they throw, and labels stay as they were.
    File.LiveFileName = PathOf("a_live.txt");
    Hooks.ReadText = []() -> std::string { throw std::runtime_error("reader failed"); };
    Write("a_live.txt", LiveText(TwoCars, "FullCourseYellow"));
    Changed();
    ASSERT_EQ(Windows.Log.size(), 3u);
    EXPECT_EQ(Windows.Log[2], "reader failed");
    EXPECT_EQ(Windows.LabelText(TLabel::Phase), "GreenFlag");
    Hooks.ReadText = []() -> std::string { throw 7; };
    Write("a_live.txt", LiveText(TwoCars));
    EXPECT_NO_THROW(Changed());
    EXPECT_EQ(Windows.Log.size(), 4u);
}

TEST_F(ReloadCycle, AReadingTornByTheWriterIsDroppedAndTheCompleteFileReadNext) {
    Follow("a_live.txt", LiveText(TwoCars));
    const TFileStamp before = File.LiveFileTime;
    // The plug-in truncates and rewrites in place; our read lands inside "Driver=Alice" and
    // the writer completes the file before we look at it again.
    const std::string whole = LiveText({{"Alice", 1}, {"Bob", 2}});
    const std::string cut = whole.substr(0, whole.find("Driver=Alice") + 9);
    Write("a_live.txt", cut);
    Hooks.ReadText = [&] {
        const std::string text = ReadLiveFile(File.LiveFileName);
        Write("a_live.txt", whole);
        return text;
    };
    Changed();
    EXPECT_EQ(File.LiveFileTime, before)
        << "dropped, so the completed file is read at the next message";
    EXPECT_EQ(Live.Players->IndexOfDriver("Al", 0), -1);
    EXPECT_EQ(Live.Players->Item(0).HistoryCount, 0) << "no merge at all";

    Hooks.ReadText = nullptr;
    Changed();
    EXPECT_EQ(File.LiveFileTime, GetFileStamp(PathOf("a_live.txt")));
    EXPECT_NE(Live.Players->IndexOfDriver("Alice", 0), -1);
    EXPECT_EQ(Live.Players->IndexOfDriver("Al", 0), -1);
}

TEST_F(ReloadCycle, AFirstReadingWithoutEndIsTakenOnlyOnceTheFileHasKeptStill) {
    TSteadyTime now{};
    Hooks.Now = [&now] { return now; };
    // The first reading of a new file, caught half written: no phantom driver "An".
    const std::string whole = LiveText({{"Ann", 1, 4}, {"Bob", 2, 4}});
    Follow("a_live.txt", whole.substr(0, whole.find("Driver=Ann") + 9));
    EXPECT_EQ(Live.Players->IndexOfDriver("An", 0), -1);
    EXPECT_EQ(Windows.DelayedReload, UnendedReadingWait) << "looked at again after the wait";
    // Growing prefixes never count as a file that kept still.
    for (std::size_t cut = whole.find("[Slot1]"); cut < whole.rfind("[END]"); cut += 40) {
        now += std::chrono::milliseconds(100);
        Write("a_live.txt", whole.substr(0, cut));
        Changed();
    }
    EXPECT_EQ(Live.Players->CountSeen(), 0);
    // A writer not yet known to write the marker: the same bytes for the wait are complete.
    const std::string unended = whole.substr(0, whole.rfind("[END]"));
    Write("a_live.txt", unended);
    Changed();
    EXPECT_EQ(Live.Players->CountSeen(), 0);
    now += UnendedReadingWait;
    Changed();
    EXPECT_EQ(Live.Players->CountSeen(), 2);
    EXPECT_EQ(Live.Players->Item(Live.Players->IndexOfDriver("Bob", 0)).BestLap, 90.5f);
}

TEST_F(ReloadCycle, OnceTheWriterEndsWithEndATornReadingIsNeverTakenUntilItDropsTheMarker) {
    TSteadyTime now{};
    Hooks.Now = [&now] { return now; };
    const auto version = [](int laps) { return LiveText({{"Ann", 1, laps}, {"Bob", 2, laps}}); };
    Follow("a_live.txt", version(4));
    ASSERT_EQ(Live.Players->Item(0).Laps, 4);

    // The writer stalls inside "BestLap=" of the next version, then goes on in small steps
    // over a minute: the half version never goes on air, however long it stands.
    const std::string next = version(5);
    for (std::size_t cut = next.find("BestLap=") + 9; cut < next.rfind("[END]"); cut += 7) {
        Write("a_live.txt", next.substr(0, cut));
        Changed();
        now += std::chrono::seconds(5);
        Changed();
    }
    EXPECT_EQ(Live.Players->Item(0).Laps, 4);
    EXPECT_EQ(Live.Players->Item(0).HistoryCount, 0) << "no merge at all";
    Write("a_live.txt", next);
    Changed();
    EXPECT_EQ(Live.Players->Item(0).Laps, 5) << "the whole version, with its marker, at once";

    // The writer stops writing the marker: after UnendedGiveUpAfter of distinct versions its
    // readings are taken as they come, with one log line, until the marker comes back.
    for (int laps = 6; laps <= 12; ++laps) {
        now += std::chrono::seconds(1);
        const std::string unended = version(laps);
        Write("a_live.txt", unended.substr(0, unended.rfind("[END]")));
        Changed();
        EXPECT_EQ(Live.Players->Item(0).Laps, laps >= 11 ? laps : 5) << laps;
    }
    ASSERT_EQ(Windows.Log.size(), 1u);
    EXPECT_EQ(Windows.Log[0], "a_live.txt does not end with [END]: its readings are taken as "
                              "they are");
    Write("a_live.txt", version(13));
    Changed();
    const std::string torn = version(14);
    Write("a_live.txt", torn.substr(0, torn.find("[Slot1]")));
    now += std::chrono::seconds(30);
    Changed();
    Changed();
    EXPECT_EQ(Live.Players->Item(0).Laps, 13);
}

TEST_F(ReloadCycle, AChangeThatKeepsStampAndSizeIsReadByItsBytes) {
    // A share's cached attributes, a one-second clock or a writer restoring the time: the
    // stamp and the size stay, the bytes do not.
    Follow("a_live.txt", LiveText({{"Ann", 1}, {"Bob", 2}}));
    Write("a_live.txt", LiveText({{"Bob", 1}, {"Ann", 2}}));
    ASSERT_TRUE(SetWriteTime(PathOf("a_live.txt"), Clock - 1));
    ASSERT_EQ(GetFileStamp(PathOf("a_live.txt")), File.LiveFileTime);
    Changed();
    EXPECT_EQ(Live.Players->Item(Live.Players->IndexOfDriver("Bob", 0)).Position[0], 1);
    Changed();
    EXPECT_EQ(Live.Players->Item(0).HistoryCount, 1) << "unchanged bytes are not merged again";
}

TEST_F(ReloadCycle, AReadingWithoutCarsIsSkippedSilently) {
    Follow("a_live.txt", LiveText(TwoCars));
    Write("a_live.txt", LiveText({}, "FullCourseYellow"));
    Changed();
    EXPECT_EQ(File.LiveFileTime, GetFileStamp(PathOf("a_live.txt")));
    EXPECT_EQ(Live.Players->Item(0).HistoryCount, 0);
    EXPECT_EQ(Windows.LabelText(TLabel::Phase), "GreenFlag");
    EXPECT_EQ(Live.EventQueue.Count(), 0);
    EXPECT_TRUE(Windows.Log.empty());
}

TEST_F(ReloadCycle, UTF16FilesAreReadWithTheirMarkAndReportedOnceWithout) {
    const auto utf16 = [](const std::string& text, bool bigEndian, bool mark) {
        std::string out = mark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
        for (char c : text) { // the live text is ASCII
            out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
        }
        return out;
    };
    for (const bool bigEndian : {false, true}) {
        Live = TBroadcast();
        File = TFollowedFile();
        Follow("a_live.txt", utf16(LiveText(TwoCars), bigEndian, true));
        ASSERT_TRUE(Live.Players) << bigEndian;
        EXPECT_EQ(Live.Players->CountSeen(), 2) << bigEndian;
        EXPECT_TRUE(Windows.Log.empty()) << bigEndian;
    }
    Live = TBroadcast();
    File = TFollowedFile();
    Follow("b_live.txt", utf16(LiveText(TwoCars), false, false));
    Write("b_live.txt", utf16(LiveText(TwoCars, "FullCourseYellow"), false, false));
    Changed();
    ASSERT_EQ(Windows.Log.size(), 1u);
    EXPECT_NE(Windows.Log[0].find("b_live.txt looks like UTF-16"), std::string::npos);
}

TEST_F(ReloadCycle, AQuietFileHidingANewerSessionByItsNameIsExplained) {
    // The simulator PC's clock was ahead when it named b; the next session, a, sorts before it.
    Follow("b_live.txt", LiveText(TwoCars));
    Write("a_live.txt", LiveText(TwoCars));
    Changed();
    ASSERT_EQ(File.LiveFileName, PathOf("b_live.txt")) << "the name order holds";
    ApplyReadingResult(Windows,
                       CheckFeedQuiet(File, std::chrono::steady_clock::now() + FeedQuietAfter),
                       Live.EventQueue);
    ASSERT_EQ(Windows.Log.size(), 2u);
    EXPECT_EQ(Windows.Log[1].rfind("a_live.txt is being written while b_live.txt is not", 0), 0u)
        << Windows.Log[1];
    ApplyReadingResult(Windows,
                       CheckFeedQuiet(File, std::chrono::steady_clock::now() + 2 * FeedQuietAfter),
                       Live.EventQueue);
    EXPECT_EQ(Windows.Log.size(), 2u) << "said once";
}

TEST_F(ReloadCycle, FullCourseYellowStopsRankingWhileItLasts) {
    Windows.MessageVisible = true;
    Windows.Ranking = true;
    Follow("a_live.txt", LiveText(TwoCars));
    EXPECT_EQ(Windows.RankingSwitchesOff, 0);
    EXPECT_EQ(Windows.LabelText(TLabel::Phase), "GreenFlag");
    const int refreshes = Windows.StatusRefreshes; // the first phase text was shown

    Write("a_live.txt", LiveText(TwoCars, "FullCourseYellow"));
    Changed();
    ASSERT_EQ(Live.EventQueue.Count(), 1);
    EXPECT_EQ(Live.EventQueue.Items(0).Title, "FullCourseYellow");
    EXPECT_EQ(Live.EventQueue.Items(0).Text, "");
    EXPECT_EQ(Live.EventQueue.Items(0).Duration, 10);
    EXPECT_EQ(Windows.RankingSwitchesOff, 1);
    EXPECT_EQ(Windows.LabelText(TLabel::Phase), "FullCourseYellow");
    EXPECT_EQ(Windows.StatusRefreshes, refreshes + 1) << "drawn once a reading";

    Windows.Ranking = true; // the operator starts a strip during the yellow
    Write("a_live.txt", LiveText(TwoCars, "FullCourseYellow"));
    Changed();
    EXPECT_EQ(Live.EventQueue.Count(), 1);
    EXPECT_EQ(Windows.RankingSwitchesOff, 2);
    EXPECT_EQ(Windows.StatusRefreshes, refreshes + 2);

    Windows.Ranking = true;
    Write("a_live.txt", LiveText(TwoCars));
    Changed();
    EXPECT_EQ(Windows.RankingSwitchesOff, 3);
    EXPECT_EQ(Windows.LabelText(TLabel::Phase), "GreenFlag");
    EXPECT_EQ(Windows.StatusRefreshes, refreshes + 3);
    EXPECT_EQ(Live.EventQueue.Count(), 1);

    Windows.Ranking = true; // after the yellow a strip may run again
    Write("a_live.txt", LiveText(TwoCars));
    Changed();
    EXPECT_TRUE(Windows.Ranking);
    EXPECT_EQ(Windows.StatusRefreshes, refreshes + 3);
}

TEST_F(ReloadCycle, BrokenFilesNeverCrashTheCycle) {
    Follow("a_live.txt", LiveText(TwoCars));

    std::string garbage;
    for (int i = 0; i < 4096; ++i) {
        garbage += static_cast<char>((i * 37 + 11) & 0xFF);
    }
    Write("a_live.txt", garbage);
    Changed();
    EXPECT_EQ(File.LiveFileName, PathOf("a_live.txt"));
    EXPECT_EQ(Live.Players->Count(), 2);
    EXPECT_EQ(Live.Players->Item(0).HistoryCount, 0);

    // Replaced by a directory: it is no live file any more, so the session ends with its last
    // good records archived, and the folder holds nothing to follow.
    fs::remove(PathOf("a_live.txt"));
    fs::create_directory(PathOf("a_live.txt"));
    const int sessions = Live.SessionLogs.Count();
    Changed();
    EXPECT_EQ(File.LiveFileName, "");
    EXPECT_EQ(Windows.LabelText(TLabel::FileName), "");
    ASSERT_EQ(Live.SessionLogs.Count(), sessions + 1);
    EXPECT_EQ(Live.SessionLogs.Items(sessions).size(), 4u);
    EXPECT_EQ(Live.Players->Count(), 0);

    // Gone for good, then written anew: followed and read again.
    fs::remove(PathOf("a_live.txt"));
    Changed();
    EXPECT_EQ(Live.SessionLogs.Count(), sessions + 1);
    Follow("a_live.txt", LiveText(TwoCars));
    EXPECT_EQ(Live.Players->Count(), 2);
    EXPECT_TRUE(Windows.Log.empty());
}

} // namespace
