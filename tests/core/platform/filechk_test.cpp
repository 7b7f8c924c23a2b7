#include "core/platform/filechk.h"

#include "core/live/livefolder.h"
#include "core/platform/messageids.h"

#include <gtest/gtest.h>

#include "tests/support/testfiles.h"
#ifndef _WIN32
#include "tests/support/fusemount.h"
#include <sys/mount.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Only a bound for failing instead of hanging; nothing is asserted about speed.
constexpr std::chrono::seconds Deadline{30};

/// Collects what the watcher posts, from its thread.
class TPostBox {
  public:
    TFileChecker::PostFunction Function() {
        return [this](int message) {
            std::lock_guard<std::mutex> lock(Mutex);
            Messages.push_back(message);
            Arrived.notify_all();
        };
    }
    /// Waits until `message` has been posted `count` times in all.
    bool WaitFor(int message, int count = 1) {
        std::unique_lock<std::mutex> lock(Mutex);
        return Arrived.wait_for(lock, Deadline, [&] { return CountLocked(message) >= count; });
    }
    int Count(int message) {
        std::lock_guard<std::mutex> lock(Mutex);
        return CountLocked(message);
    }

  private:
    int CountLocked(int message) const {
        return static_cast<int>(std::count(Messages.begin(), Messages.end(), message));
    }
    std::mutex Mutex;
    std::condition_variable Arrived;
    std::vector<int> Messages;
};

/// The way the watcher follows its folder, once the folder has answered: on a busy machine or a
/// slow share that may come after Start has given up waiting for it.
TFileChecker::TWay WayOnceKnown(const TFileChecker& checker) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (checker.Way() == TFileChecker::TWay::Unknown &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return checker.Way();
}

void Append(const std::string& path, const std::string& text) {
    std::ofstream(Utf8Path(path), std::ios::binary | std::ios::app) << text;
}

TEST(FileChecker, EveryWriteLeadsToAReloadMessage) {
    const TTempFolder root("kestrune-watch");
    // Named as a user names a folder: spaces and more than ASCII.
    const std::string folder =
        root.File("\xE3\x83\xA9\xE3\x82\xA4\xE3\x83\x96 \xC3\xA9t\xC3\xA9"); // ライブ été
    fs::create_directory(Utf8Path(folder));
    TPostBox box;
    TFileChecker checker(folder, IsLiveFileName, box.Function());
    EXPECT_EQ(checker.Folder, folder);
    checker.Start();
    checker.Start(); // a second start must not start a second thread
    EXPECT_EQ(WayOnceKnown(checker), TFileChecker::TWay::Notified);

    Append(folder + "/a_live.txt", "[Session]\n");
    ASSERT_TRUE(box.WaitFor(WmLiveFolderChanged));
    // The watch stays armed after a message: a later write is reported again.
    const int before = box.Count(WmLiveFolderChanged);
    Append(folder + "/a_live.txt", "Scene=Lakeside\n");
    EXPECT_TRUE(box.WaitFor(WmLiveFolderChanged, before + 1));
    checker.Stop();
    EXPECT_EQ(box.Count(WmWatcherEnded), 0);
}

TEST(FileChecker, EndsWhenTheFolderIsMissingOrGoesAwayAndFollowsItAgainWhenItReturns) {
    const TTempFolder folder("kestrune-watch");
    TPostBox missingBox;
    TFileChecker missing(folder.File("missing"), IsLiveFileName, missingBox.Function());
    missing.Start();
    EXPECT_TRUE(missingBox.WaitFor(WmWatcherEnded));
    fs::create_directory(folder.File("missing")); // a share mounted after start
    EXPECT_TRUE(missingBox.WaitFor(WmWatcherResumed));

    TPostBox fileBox;
    Append(folder.File("plain.txt"), "");
    TFileChecker notAFolder(folder.File("plain.txt"), IsLiveFileName, fileBox.Function());
    notAFolder.Start();
    EXPECT_TRUE(fileBox.WaitFor(WmWatcherEnded));

    if (RunningUnderWine()) {
        GTEST_SKIP() << "wine keeps a removed folder while the watcher's handle is open on it";
    }
    TPostBox removedBox;
    const std::string watched = folder.File("watched");
    fs::create_directory(watched);
    TFileChecker removed(watched, IsLiveFileName, removedBox.Function());
    removed.Start();
    fs::remove_all(watched);
    EXPECT_TRUE(removedBox.WaitFor(WmWatcherEnded));
    EXPECT_EQ(removedBox.Count(WmWatcherEnded), 1);
    fs::create_directory(watched);
    ASSERT_TRUE(removedBox.WaitFor(WmWatcherResumed));
    EXPECT_EQ(removed.Way(), TFileChecker::TWay::Notified);
    ASSERT_TRUE(removedBox.WaitFor(WmLiveFolderChanged)) << "the returned folder is looked at";
    const int before = removedBox.Count(WmLiveFolderChanged);
    Append(watched + "/a_live.txt", "[Session]\n");
    EXPECT_TRUE(removedBox.WaitFor(WmLiveFolderChanged, before + 1));
}

#ifndef _WIN32 // bind and FUSE mounts are Linux's
TEST(FileChecker, AFolderMountedOverIsFollowedOnTheMountedDisk) {
    const TTempFolder folder("kestrune-watch");
    const std::string watched = folder.File("live");
    const std::string disk = folder.File("disk");
    fs::create_directory(watched);
    fs::create_directory(disk);
    TPostBox box;
    TFileChecker checker(watched, IsLiveFileName, box.Function());
    checker.Start();
    // A disk mounted (again) over the folder raises no event in the covered directory.
    if (::mount(disk.c_str(), watched.c_str(), nullptr, MS_BIND, nullptr) != 0) {
        GTEST_SKIP() << "cannot mount here: " << std::strerror(errno);
    }
    const std::unique_ptr<const char, void (*)(const char*)> unmount(
        watched.c_str(), [](const char* path) { ::umount2(path, MNT_DETACH); });
    EXPECT_TRUE(box.WaitFor(WmWatcherResumed));
    ASSERT_TRUE(box.WaitFor(WmLiveFolderChanged));
    const int before = box.Count(WmLiveFolderChanged);
    Append(watched + "/a_live.txt", "[Session]\n");
    EXPECT_TRUE(box.WaitFor(WmLiveFolderChanged, before + 1));
    checker.Stop();
}
#endif

TEST(FileChecker, StopWakesAWaitingWatcherAndItCanStartAgain) {
    const TTempFolder folder("kestrune-watch");
    TPostBox box;
    {
        TFileChecker idle(folder.String(), IsLiveFileName, box.Function());
        idle.Stop(); // never started: nothing to do
        idle.Start();
        // Nothing changes in the folder, so the thread waits until Stop wakes it; a watcher
        // that cannot be woken hangs here and the test times out.
        idle.Stop();
        idle.Stop();
        idle.Start();
        Append(folder.File("a_live.txt"), "x");
        EXPECT_TRUE(box.WaitFor(WmLiveFolderChanged));
        Append(folder.File("a_live.txt"), "y");
    } // the destructor stops a running watcher, possibly in its 200 ms pause
    EXPECT_EQ(box.Count(WmWatcherEnded), 0);

    // A post function that throws ends the thread quietly instead of the process.
    TPostBox throwingBox;
    const TFileChecker::PostFunction record = throwingBox.Function();
    TFileChecker throwing(folder.String(), IsLiveFileName, [&record](int message) {
        record(message);
        throw std::runtime_error("window gone");
    });
    throwing.Start();
    Append(folder.File("a_live.txt"), "z");
    EXPECT_TRUE(throwingBox.WaitFor(WmLiveFolderChanged));
    throwing.Stop();
}

#ifndef _WIN32
TEST(FileChecker, AFolderOnAFuseMountIsPolledAndSeesWritesFromUnderneath) {
    if (!TFuseMount::Available()) {
        GTEST_SKIP() << "no /dev/fuse on this machine";
    }
    const TTempFolder folder("kestrune-watch");
    TFuseMount share(folder.File("other-pc"), folder.File("share"));
    ASSERT_TRUE(share.Mounted) << "bindfs could not mount (scripts/setup installs it)";
    EXPECT_FALSE(FolderNeedsPolling(folder.String())) << "a local folder keeps notifications";
    ASSERT_TRUE(FolderNeedsPolling(share.MountPoint.string()));

    TPostBox box;
    TFileChecker checker(share.MountPoint.string(), IsLiveFileName, box.Function(),
                         TFolderPolling::Auto);
    checker.Start();
    EXPECT_EQ(WayOnceKnown(checker), TFileChecker::TWay::Polled);
    Append((share.Source / "a_live.txt").string(), "[Session]\n");
    EXPECT_TRUE(box.WaitFor(WmLiveFolderChanged));
    const int before = box.Count(WmLiveFolderChanged);
    Append((share.Source / "a_live.txt").string(), "Scene=Lakeside\n");
    EXPECT_TRUE(box.WaitFor(WmLiveFolderChanged, before + 1)) << "a later write is seen too";
    checker.Stop();
    EXPECT_EQ(box.Count(WmWatcherEnded), 0);
}

TEST(FileChecker, AStalledShareNeitherFreezesStartNorHangsStop) {
    if (!TFuseMount::Available()) {
        GTEST_SKIP() << "no /dev/fuse on this machine";
    }
    const TTempFolder folder("kestrune-watch");
    TFuseMount share(folder.File("other-pc"), folder.File("share"));
    ASSERT_TRUE(share.Mounted) << "bindfs could not mount (scripts/setup installs it)";
    share.Stall(true); // the server is gone: every access to the share blocks
    TPostBox box;
    {
        TFileChecker checker(share.MountPoint.string(), IsLiveFileName, box.Function());
        checker.Start(); // a start that waited for the share would hang here
        EXPECT_EQ(checker.Way(), TFileChecker::TWay::Unknown);
        EXPECT_EQ(FollowingText(share.MountPoint.string(), checker.Way()),
                  share.MountPoint.string() +
                      " does not answer yet; it is followed as soon as it does");
    } // and so would a stop that joined a thread stuck in the share
    share.Stall(false);
    EXPECT_EQ(box.Count(WmWatcherEnded) + box.Count(WmLiveFolderChanged), 0)
        << "a watcher left behind posts nothing";
}

#endif

} // namespace
