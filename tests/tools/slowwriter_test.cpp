// A plug-in that takes its time over each version: the real feed writes line by line, the real
// watcher follows the folder and the reload cycle reads what it posts, as the program does.
// Nearly every version must be shown, and nothing that was never written as a whole.

#include "core/app/reload.h"
#include "core/live/livefile.h"
#include "core/live/livefolder.h"
#include "core/platform/bytehash.h"
#include "core/platform/filechk.h"
#include "core/platform/messageids.h"
#include "tools/headless/headlesswindows.h"

#include <gtest/gtest.h>

#include "tests/support/livetext.h"
#include "tests/support/testfiles.h"
#include "tests/support/watchermessages.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::string Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(SlowWriter, NearlyEveryVersionIsShownAndNothingFalse) {
    for (const int writeMs : {20, 50}) {
        const TTempFolder folder("kestrune-slow");
        const std::string live = folder.File("live");
        const std::string snapshots = folder.File("snapshots");
        fs::create_directories(live);
        TWatcherMessages queue;
        TFileChecker watcher(
            live, IsLiveFileName, [&](int m) { queue.Post(m); }, TFolderPolling::Off);
        watcher.Start();
        THeadlessWindows windows;
        TReloadHooks hooks;
        TBroadcast broadcast;
        TFollowedFile followed;

        const std::string command = std::string(KESTRUNE_FEED_BINARY) + " --folder '" + live +
                                    "' --snapshots '" + snapshots +
                                    "' --session race --cars 12 --laps 2 --speed 40 --rate 5"
                                    " --seed 5 --quiet --write-ms " +
                                    std::to_string(writeMs);
        std::thread feed([&] { [[maybe_unused]] int status = std::system(command.c_str()); });
        std::set<uint64_t> shown;
        auto delayedAt = std::chrono::steady_clock::time_point::max();
        bool feeding = true;
        std::atomic<bool> done{false};
        std::thread waiter([&] {
            feed.join();
            done = true;
        });
        while (feeding) {
            // A reload the cycle posts to itself (a newly followed file) is a message too.
            const bool posted = windows.ReloadsPosted > 0;
            windows.ReloadsPosted = 0;
            const bool message =
                posted || queue.Take(std::chrono::milliseconds(20)) == WmLiveFolderChanged;
            const bool due = std::chrono::steady_clock::now() >= delayedAt;
            if (message || due) {
                if (due) {
                    delayedAt = std::chrono::steady_clock::time_point::max();
                }
                const uint64_t before = followed.LiveFileHash;
                ApplyReadingResult(windows,
                                   LiveFolderChanged(followed, broadcast, live, false, hooks),
                                   broadcast.EventQueue);
                if (followed.LiveFileHash != before) {
                    shown.insert(followed.LiveFileHash);
                }
                if (windows.DelayedReload.count() > 0) {
                    delayedAt = std::chrono::steady_clock::now() + windows.DelayedReload;
                    windows.DelayedReload = std::chrono::milliseconds{0};
                }
            }
            feeding = !done || message;
        }
        waiter.join();
        watcher.Stop();

        std::set<uint64_t> written;
        for (const auto& entry : fs::directory_iterator(snapshots)) {
            written.insert(HashBytes(Bytes(entry.path())));
        }
        ASSERT_GE(written.size(), 20u) << "the feed wrote too little to judge";
        for (const uint64_t hash : shown) {
            EXPECT_TRUE(written.count(hash)) << writeMs << " ms: a reading no writer wrote whole";
        }
        EXPECT_GE(shown.size() * 10, written.size() * 9)
            << writeMs << " ms: " << shown.size() << " of " << written.size() << " versions shown";
    }
}

} // namespace
