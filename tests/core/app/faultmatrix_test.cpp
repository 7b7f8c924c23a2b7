// Bad inputs met by the real watcher thread and the real reload cycle together: the watcher
// posts into a queue as it would to the main window, and the test thread handles the messages
// one at a time, as the main thread does.

#include "core/app/reload.h"
#include "core/live/livefile.h"
#include "core/live/livefolder.h"
#include "core/live/names.h"
#include "core/live/reports.h"
#include "core/live/sessionlogs.h"
#include "core/messages/raceevent.h"
#include "core/platform/filechk.h"
#include "core/platform/messageids.h"
#include "tools/headless/headlesswindows.h"

#include <gtest/gtest.h>

#include "tests/support/livetext.h"
#include "tests/support/testfiles.h"
#include "tests/support/watchermessages.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// Only a bound for failing instead of hanging; nothing is asserted about speed.
constexpr std::chrono::seconds Deadline{120};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

bool AnyLineContains(const std::vector<std::string>& lines, const std::string& part) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return Contains(line, part); });
}

class FaultMatrix : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directory(Folder);
        Watcher = std::make_unique<TFileChecker>(Folder, IsLiveFileName,
                                                 [this](int m) { Queue.Post(m); });
        Watcher->Start();
    }
    void TearDown() override {
        Watcher->Stop(); // before the folder goes, or its removal would be reported
    }

    std::string PathOf(const std::string& name) const { return Folder + "/" + name; }

    /// Writes a file with a last-write time later than any before, so every write is a change
    /// however coarse the file system's clock.
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(Utf8Path(PathOf(name)), std::ios::binary | std::ios::trunc) << text;
        Touch(name);
    }
    void Touch(const std::string& name) {
        ASSERT_TRUE(SetWriteTime(PathOf(name), ++Clock)) << name;
    }

    /// Handles one message as the main window does.
    void Dispatch(int message) {
        if (message == WmLiveFolderChanged) {
            Apply(LiveFolderChanged(File, Live, Folder, Windows.Ranking, Hooks));
        } else if (message == WmWatcherEnded) {
            Windows.AddLog(WatcherEndedText);
        }
    }

    /// As the main window applies a result: a reading asked for now goes through the queue, as
    /// the real one is posted; one asked for later is run by the pump once it is due.
    void Apply(const TReadingResult& result) {
        ApplyReadingResult(Windows, result, Live.EventQueue);
        if (result.ReadNow) {
            Queue.Post(WmLiveFolderChanged);
        }
        if (result.ReadAgainAfter) {
            Due = std::chrono::steady_clock::now() + *result.ReadAgainAfter;
        }
    }

    /// Handles the watcher's messages until `done` holds; false when the deadline passes.
    bool PumpUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + Deadline;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            if (const std::optional<int> message = Queue.Take(std::chrono::milliseconds(100))) {
                Dispatch(*message);
            }
            if (Due && std::chrono::steady_clock::now() >= *Due) {
                Due.reset();
                Dispatch(WmLiveFolderChanged);
            }
        }
        return true;
    }

    /// Writes `name` and waits until the cycle follows and has read that version of it.
    void Follow(const std::string& name, const std::string& text) {
        Write(name, text);
        const TFileStamp stamp = GetFileStamp(PathOf(name));
        ASSERT_TRUE(PumpUntil([&] {
            return File.LiveFileName == PathOf(name) && File.LiveFileTime == stamp;
        })) << "following "
            << name;
    }

    /// The records, labels and log as the last good reading of TwoCars left them.
    void ExpectTwoCarsKept(const char* what) {
        ASSERT_EQ(Live.Players->Count(), 2) << what;
        EXPECT_EQ(Live.Players->Item(0).Driver, "Ann") << what;
        EXPECT_EQ(Live.Players->Item(1).Position[0], 2) << what;
        EXPECT_EQ(Live.Players->Item(0).HistoryCount, 0) << what << ": merged again";
        EXPECT_EQ(Windows.LabelText(TLabel::Session), "Race") << what;
        EXPECT_EQ(Windows.LabelText(TLabel::Phase), "GreenFlag") << what;
    }

    const TTempFolder Root{"kestrune-faults"};
    const std::string Folder = Root.File("live");
    TWatcherMessages Queue;
    THeadlessWindows Windows;
    std::optional<std::chrono::steady_clock::time_point> Due;
    TBroadcast Live;
    TFollowedFile File;
    TReloadHooks Hooks;
    std::unique_ptr<TFileChecker> Watcher;
    time_t Clock = 1'600'000'000;
};

TEST_F(FaultMatrix, FollowedFileThatStopsBeingAReadableFileEndsTheSession) {
    const std::string path = PathOf("a_live.txt");
    const std::pair<const char*, std::function<void()>> breakers[] = {
        {"deleted", [&] { fs::remove(path); }},
        {"replaced by a directory",
         [&] {
             fs::remove(path);
             fs::create_directory(path);
         }},
    // Root reads past any permission bits; a fifo or a dangling link cannot be read by
    // anyone, and opening a fifo must not block the main thread.
#ifndef _WIN32
        {"replaced by a fifo",
         [&] {
             fs::remove(path);
             ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
         }},
        {"replaced by a dangling link",
         [&] {
             fs::remove(path);
             fs::create_symlink(Root.File("nowhere_live.txt"), path);
         }},
#endif
    };
    for (const auto& [what, breakIt] : breakers) {
        std::error_code ignored;
        fs::remove_all(path, ignored);
        Follow("a_live.txt", LiveText(TwoCars));
        ASSERT_EQ(Live.Players->Count(), 2) << what;
        const int sessions = Live.SessionLogs.Count();

        breakIt();
        ASSERT_TRUE(PumpUntil([&] { return File.LiveFileName.empty(); })) << what;
        EXPECT_EQ(Windows.LabelText(TLabel::FileName), "") << what;
        EXPECT_EQ(Live.Players->Count(), 0) << what;
        // The last good records are not lost: they are the archived session.
        ASSERT_EQ(Live.SessionLogs.Count(), sessions + 1) << what;
        const std::vector<std::string>& summary = Live.SessionLogs.Items(sessions);
        EXPECT_TRUE(AnyLineContains(summary, "Ann") && AnyLineContains(summary, "Bob")) << what;
        EXPECT_TRUE(Windows.Log.empty()) << what << ": " << Windows.Log.front();
    }
    // The watcher survived all of it: a live file written now is followed and read.
    fs::remove(path);
    Follow("b_live.txt", LiveText({{"Cid", 1}}));
    ASSERT_EQ(Live.Players->Count(), 1);
    EXPECT_EQ(Live.Players->Item(0).Driver, "Cid");
    EXPECT_FALSE(AnyLineContains(Windows.Log, WatcherEndedText));
}

TEST_F(FaultMatrix, DamagedContentKeepsTheLastGoodRecords) {
    // A writer that never ends its file with "[END]": each reading is judged by its content.
    const auto withoutEnd = [](std::string text) { return text.substr(0, text.rfind("[END]")); };
    Follow("a_live.txt", withoutEnd(LiveText(TwoCars)));
    const std::string good = withoutEnd(LiveText({{"Ann", 2}, {"Bob", 1}}));

    std::string garbage;
    for (int round = 0; round < 64; ++round) {
        for (int byte = 0; byte < 256; ++byte) {
            garbage += static_cast<char>((byte * 151 + round) & 0xFF);
        }
    }
    const std::pair<const char*, std::string> damaged[] = {
        {"truncated to zero", ""},
        {"cut mid-line in the session", good.substr(0, good.find("GamePhase=") + 6)},
        {"binary garbage", garbage},
        {"a zero byte before the cars", "[Session]\nSession=Race\n" + std::string(1, '\0') + good},
    };
    for (const auto& [what, text] : damaged) {
        Write("a_live.txt", text);
        const TFileStamp stamp = GetFileStamp(PathOf("a_live.txt"));
        ASSERT_TRUE(PumpUntil([&] { return File.LiveFileTime == stamp; })) << what;
        ExpectTwoCarsKept(what);
        EXPECT_EQ(File.LiveFileName, PathOf("a_live.txt")) << what;
    }
    // Nothing in the log but, after five seconds of it, that the writer does not write [END].
    const auto onlyEndNotice = [&] {
        return std::all_of(Windows.Log.begin(), Windows.Log.end(), [](const std::string& line) {
            return Contains(line, "does not end with [END]");
        });
    };
    EXPECT_TRUE(onlyEndNotice()) << Windows.Log.front();

    // Cut inside a section line: the cars before the cut are a reading like any other, and the
    // unfinished line adds no car.
    const std::string cut = good.substr(0, good.find("[Slot1]") + 3);
    Write("a_live.txt", cut);
    ASSERT_TRUE(PumpUntil([&] { return Live.Players->Item(0).HistoryCount == 1; }));
    ASSERT_EQ(Live.Players->Count(), 2);
    EXPECT_EQ(Live.Players->CountSeen(), 1);
    EXPECT_EQ(Live.Players->Item(0).Position[0], 2);

    Write("a_live.txt", good);
    ASSERT_TRUE(PumpUntil([&] { return Live.Players->Item(1).Position[0] == 1; }));
    EXPECT_EQ(Live.Players->CountSeen(), 2);
    EXPECT_TRUE(onlyEndNotice());
}

TEST_F(FaultMatrix, AHundredMegabyteFileIsRefusedAndTheRecordsKept) {
    Follow("a_live.txt", LiveText(TwoCars));

    // 100 MB, sparse so it costs no disk: refused before any of it is read.
    fs::resize_file(PathOf("a_live.txt"), 100u * 1024u * 1024u);
    Touch("a_live.txt");
    ASSERT_TRUE(PumpUntil([&] { return !Windows.Log.empty(); }));
    ASSERT_EQ(Windows.Log.size(), 1u);
    EXPECT_TRUE(Contains(Windows.Log[0], "too large")) << Windows.Log[0];
    ExpectTwoCarsKept("100 MB");
    EXPECT_EQ(File.LiveFileName, PathOf("a_live.txt"));

    // Once the file is whole again it is read as usual.
    Write("a_live.txt", LiveText({{"Ann", 2}, {"Bob", 1}}));
    ASSERT_TRUE(PumpUntil([&] { return Live.Players->Item(0).HistoryCount == 1; }));
    EXPECT_EQ(Live.Players->Item(0).Position[0], 2);
    EXPECT_FALSE(AnyLineContains(Windows.Log, WatcherEndedText));
}

#ifndef _WIN32
TEST_F(FaultMatrix, AFileNobodyCanReadIsLoggedAndTheRecordsKept) {
    // Root reads past permission bits, but not past this: a regular file whose every read fails,
    // the process's own memory at address 0.
    const int probe = ::open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
    char byte = 0;
    const bool readFails = probe >= 0 && ::read(probe, &byte, 1) < 0;
    if (probe >= 0) {
        ::close(probe);
    }
    if (!readFails) {
        GTEST_SKIP() << "/proc/self/mem can be read here";
    }
    Follow("a_live.txt", LiveText(TwoCars));
    fs::remove(PathOf("a_live.txt"));
    fs::create_symlink("/proc/self/mem", PathOf("a_live.txt"));
    ASSERT_TRUE(PumpUntil([&] { return !Windows.Log.empty(); }));
    EXPECT_TRUE(Contains(Windows.Log[0], "Cannot read file")) << Windows.Log[0];
    EXPECT_TRUE(Contains(Windows.Log[0], PathOf("a_live.txt"))) << Windows.Log[0];
    ExpectTwoCarsKept("read error");
    EXPECT_EQ(File.LiveFileName, PathOf("a_live.txt"));

    fs::remove(PathOf("a_live.txt"));
    Write("a_live.txt", LiveText({{"Ann", 2}, {"Bob", 1}}));
    ASSERT_TRUE(PumpUntil([&] { return Live.Players->Item(0).HistoryCount == 1; }));
    EXPECT_EQ(Live.Players->Item(0).Position[0], 2);
}
#endif

TEST_F(FaultMatrix, TenThousandSlotsAreReadWhole) {
    std::vector<TCar> cars;
    for (int i = 1; i <= 10000; ++i) {
        cars.push_back({"Driver " + std::to_string(i), i});
    }
    Follow("a_live.txt", LiveText(cars));
    ASSERT_EQ(Live.Players->Count(), 10000);
    EXPECT_EQ(Live.Players->CountSeen(), 10000);
    EXPECT_EQ(Live.Players->Item(9999).Driver, "Driver 10000");
    EXPECT_EQ(Live.Players->IndexOfPosition(10000), 9999);
    EXPECT_EQ(BestlapReport(*Live.Players).size(), 10001u);
    EXPECT_EQ(GapReport(*Live.Players).size(), 10001u);
    EXPECT_TRUE(Windows.Log.empty());
}

TEST_F(FaultMatrix, RemovingTheWatchedFolderEndsWatchingOnce) {
    if (RunningUnderWine()) {
        GTEST_SKIP() << "wine keeps a removed folder while the watcher's handle is open on it";
    }
    Follow("a_live.txt", LiveText(TwoCars));
    const int sessions = Live.SessionLogs.Count();

    fs::remove_all(Folder);
    ASSERT_TRUE(PumpUntil([&] { return !Windows.Log.empty(); }));
    Watcher->Stop(); // the thread has ended on its own; this only joins it
    while (const std::optional<int> message = Queue.Take(std::chrono::milliseconds(0))) {
        Dispatch(*message);
    }
    ASSERT_EQ(Windows.Log.size(), 1u);
    EXPECT_EQ(Windows.Log[0], "ログファイルの監視に失敗しました");

    // Messages after the end (the main window's own, or stale ones) do nothing harmful: the
    // session is archived once and the log says nothing more.
    for (int i = 0; i < 3; ++i) {
        Dispatch(WmLiveFolderChanged);
    }
    EXPECT_EQ(File.LiveFileName, "");
    EXPECT_EQ(Live.Players->Count(), 0);
    EXPECT_EQ(Live.SessionLogs.Count(), sessions + 1);
    EXPECT_EQ(Windows.Log.size(), 1u);
}

TEST_F(FaultMatrix, AThousandLiveFilesFollowTheNewestByName) {
    // Written newest-name first, so neither the order of writing nor the file times point to it;
    // the case of the names alternates, and decoys sort after them all.
    for (int i = 999; i >= 0; --i) {
        char name[32];
        std::snprintf(name, sizeof name, "%s%04d_live.txt", i % 2 == 0 ? "run" : "RUN", i);
        Write(name, LiveText({{"Driver " + std::to_string(i), 1}}));
    }
    Write("zzz_live.txt.bak", LiveText({{"Decoy", 1}}));
    Write("zzz_LIVE.TXT", LiveText({{"Decoy", 1}}));
    fs::create_directory(PathOf("zzzz_live.txt"));

    ASSERT_TRUE(PumpUntil([&] { return Live.Players->Count() > 0; }));
    EXPECT_EQ(File.LiveFileName, PathOf("RUN0999_live.txt"));
    EXPECT_EQ(Windows.LabelText(TLabel::FileName), "RUN0999_live.txt");
    ASSERT_EQ(Live.Players->Count(), 1);
    EXPECT_EQ(Live.Players->Item(0).Driver, "Driver 999");
    EXPECT_TRUE(Windows.Log.empty());
}

TEST_F(FaultMatrix, EveryByteValueInDriverNamesAndFileNames) {
    // CR and LF end a line and a zero byte ends the text, so no name can hold them.
    std::vector<TCar> cars;
    std::string all;
    for (int byte = 1; byte <= 255; ++byte) {
        if (byte == '\n' || byte == '\r') {
            continue;
        }
        all += static_cast<char>(byte);
        cars.push_back(
            {std::string(1, static_cast<char>(byte)), static_cast<int>(cars.size()) + 1});
    }
    cars.push_back({all, static_cast<int>(cars.size()) + 1});
    cars.push_back(
        {"\xe6\x97\xa5\xe6\x9c\xac \xc3\xa9t\xc3\xa9", static_cast<int>(cars.size()) + 1});
    cars.push_back({"\xff\xfe \x80\xc3", static_cast<int>(cars.size()) + 1});

    // File names too: every byte the system allows in one (all but '/' and the zero byte here;
    // on Windows the printable ASCII but <>:"/\|?* and UTF-8 text), in two names because one
    // name holds at most 255 bytes.
    std::string low;
    std::string high;
#ifdef _WIN32
    for (int byte = ' '; byte < 0x7F; ++byte) {
        if (std::string_view("<>:\"/\\|?*").find(static_cast<char>(byte)) == std::string::npos) {
            low += static_cast<char>(byte);
        }
    }
    high = "\xE6\x97\xA5\xE6\x9C\xAC \xC3\xA9t\xC3\xA9 \xC3\xB1"; // 日本 été ñ
#else
    for (int byte = 1; byte <= 255; ++byte) {
        if (byte != '/') {
            (byte < 0x80 ? low : high) += static_cast<char>(byte);
        }
    }
#endif
    low += "_live.txt";
    high += "_live.txt";

    Follow(low, LiveText(cars));
    EXPECT_EQ(Windows.LabelText(TLabel::FileName), low);
    ASSERT_EQ(Live.Players->Count(), static_cast<int>(cars.size()));
    for (const TCar& car : cars) {
        const int index = Live.Players->IndexOfDriver(car.Driver, -1);
        ASSERT_GE(index, 0) << "no record for a name of " << car.Driver.size() << " bytes";
        const TPlayer& player = Live.Players->Item(index);
        EXPECT_EQ(player.Position[0], car.Position);
        const std::string shown = DisplayName(player, 5);
        EXPECT_LE(shown.size(), 5u);
        if (car.Driver.size() == 1) {
            // Only a to z are upper-cased; no other byte is touched, whatever the locale.
            const unsigned char c = static_cast<unsigned char>(car.Driver[0]);
            const char expected = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : car.Driver[0];
            EXPECT_EQ(shown, std::string(1, expected)) << "byte " << int(c);
        }
    }
    EXPECT_EQ(BestlapReport(*Live.Players).size(), cars.size() + 1);
    EXPECT_EQ(AvglapReport(*Live.Players).size(), cars.size() + 1);
    EXPECT_EQ(GapReport(*Live.Players).size(), cars.size() + 1);

    // The other name sorts last: the session with the odd names is archived and it is followed.
    const int sessions = Live.SessionLogs.Count();
    Follow(high, LiveText({{"Second", 1}}));
    EXPECT_EQ(Windows.LabelText(TLabel::FileName), high);
    ASSERT_EQ(Live.Players->Count(), 1);
    ASSERT_EQ(Live.SessionLogs.Count(), sessions + 1);
    EXPECT_EQ(Live.SessionLogs.Items(sessions).size(), cars.size() + 2);
    EXPECT_TRUE(Windows.Log.empty()) << Windows.Log.front();
}

} // namespace
