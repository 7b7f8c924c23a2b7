#include "core/platform/filechk.h"

#include "core/platform/folderwatch.h"
#include "core/platform/messageids.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>

namespace {

/// A burst of writes makes one message: it goes once the folder has been quiet for QuietMs (a
/// writer writing its file line by line has paused between two versions), and GatherMs after
/// the first change at the latest, so a writer that never pauses is still read.
constexpr int QuietMs = 25;
constexpr int GatherMs = 200;
/// Two messages are at least this far apart: each reading redraws the windows, so a writer
/// rewriting its file 20 times a second is read about 7 times a second, while one writing 5
/// times a second (even unevenly) still has every version read.
constexpr int ReadSpacingMs = 150;
/// How often a folder that went away is looked for.
constexpr int FolderReturnCheckMs = 1000;
/// How long Start waits for the folder to answer, and Stop for the thread to end: beyond
/// that the folder is a stalled share, and the program must neither freeze nor hang.
constexpr std::chrono::seconds FirstAnswerWait{1};
constexpr std::chrono::seconds StopWait{2};

} // namespace

struct TFileChecker::TShared {
    std::string Folder;
    TNameFilter Followed = nullptr;
    PostFunction Post;
    TFolderPolling PollingMode = TFolderPolling::Auto;
    TWakeUp StopSignal;
    std::unique_ptr<TFolderWatch> Watch;
    std::unique_ptr<TFolderPoll> Poll;
    std::atomic<bool> Stopping{false};

    std::mutex Mutex;
    std::condition_variable Signal;
    TWay Way = TWay::Unknown; // set once the watch is set up
    bool StartGaveUp = false; // Start returned before the way was known
    bool Finished = false;

    /// Posts unless stopped, swallowing whatever the post function throws: it must not kill
    /// the process.
    bool PostMessage(int message) {
        if (Stopping) {
            return false;
        }
        try {
            Post(message);
            return true;
        } catch (...) {
            return false;
        }
    }

    /// Makes the way known; true when Start had stopped waiting for it (a slow share), so
    /// the window has not been told yet.
    bool Announce(TWay way) {
        bool late = false;
        {
            std::lock_guard lock(Mutex);
            Way = way;
            late = StartGaveUp;
        }
        Signal.notify_all();
        return late;
    }

    /// Sets up the watch: change notification, or the first look of a polled folder.
    TWay SetUp() {
        if (!StopSignal.Valid()) {
            return TWay::Failed;
        }
        const bool polling = PollingMode == TFolderPolling::On ||
                             (PollingMode == TFolderPolling::Auto && FolderNeedsPolling(Folder));
        if (polling) {
            return StartPolling(TWay::Polled);
        }
        Watch = std::make_unique<TFolderWatch>(Folder);
        if (Watch->Valid()) {
            return TWay::Notified;
        }
        Watch.reset();
        // A folder that is there but cannot be watched (a file system without notification,
        // the system's limit of watches reached) is still followed, by looking at it.
        if (PollingMode == TFolderPolling::Auto && IsFolder(Folder)) {
            return StartPolling(TWay::Unwatchable);
        }
        return TWay::Failed;
    }

    /// Takes the first look of a polled folder: `way` when the folder was there.
    TWay StartPolling(TWay way) {
        Poll = std::make_unique<TFolderPoll>(Folder, Followed, std::chrono::steady_clock::now());
        return Poll->Found() ? way : TWay::Failed;
    }

    void Run() {
        TWay way = SetUp();
        const bool late = Announce(way);
        if (way == TWay::Failed) {
            PostMessage(WmWatcherEnded);
        } else if (late) {
            PostMessage(WmWatcherResumed); // the window said it does not answer yet
        }
        while (true) {
            if (way != TWay::Failed) {
                const TWait ended = Follow(way);
                // Let go of the folder at once: on Windows a deleted folder held open cannot
                // go, nor be made again, while the watch holds it.
                Watch.reset();
                Poll.reset();
                if (ended == TWait::Stopped) {
                    break;
                }
                PostMessage(WmWatcherEnded);
            }
            if (Folder.empty()) {
                break;
            }
            way = AwaitFolder();
            if (way == TWay::Unknown) {
                break;
            }
            Announce(way);
            PostMessage(WmWatcherResumed);
            // What was written while the folder was away is looked at at once.
            PostMessage(WmLiveFolderChanged);
        }
        {
            std::lock_guard lock(Mutex);
            Finished = true;
        }
        Signal.notify_all();
    }

    /// Follows the folder until it is stopped (Stopped) or watching ends (Ended).
    TWait Follow(TWay way) { return way == TWay::Notified ? RunNotified() : RunPolling(); }

    /// A deleted, renamed or unmounted folder may come back (a share remounted, a folder
    /// recreated): looks for it once a second and sets the watch up again when it is there.
    /// Unknown when stopped first.
    TWay AwaitFolder() {
        while (StopSignal.Pause(FolderReturnCheckMs) == TWait::Changed) {
            if (!IsFolder(Folder)) {
                continue;
            }
            const TWay way = SetUp();
            if (way != TWay::Failed) {
                return way;
            }
        }
        return TWay::Unknown;
    }

    TWait RunPolling() {
        while (true) {
            const auto pause = Poll->NextPause(std::chrono::steady_clock::now());
            const TWait waited = StopSignal.Pause(static_cast<int>(pause.count()));
            if (waited == TWait::Stopped) {
                return TWait::Stopped;
            }
            const TFolderPoll::TLook look = Poll->Look(std::chrono::steady_clock::now());
            if (waited == TWait::Ended || look == TFolderPoll::TLook::Gone) {
                return TWait::Ended;
            }
            if (look == TFolderPoll::TLook::Changed && !PostMessage(WmLiveFolderChanged)) {
                return TWait::Stopped;
            }
        }
    }

    /// Waits after a change until the writer pauses (see QuietMs) and `earliest` has come (see
    /// ReadSpacingMs), or GatherMs after the change at the latest: Changed, or Stopped/Ended.
    /// Writes after it stay queued by the system for the next wait.
    TWait GatherBurst(std::chrono::steady_clock::time_point earliest) {
        const auto first = std::chrono::steady_clock::now();
        const auto msUntil = [](std::chrono::steady_clock::time_point when) {
            return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        when - std::chrono::steady_clock::now())
                                        .count());
        };
        while (true) {
            const int left = msUntil(first + std::chrono::milliseconds(GatherMs));
            if (left <= 0) {
                return TWait::Changed;
            }
            // Nothing for this long means the writer paused and the spacing is kept.
            const int wait = std::min(left, std::max(QuietMs, msUntil(earliest)));
            const TWait more = Watch->WaitForChange(StopSignal, wait);
            if (more == TWait::Nothing) {
                return TWait::Changed;
            }
            if (more != TWait::Changed) {
                return more;
            }
        }
    }

    TWait RunNotified() {
        auto lastPost = std::chrono::steady_clock::now() - std::chrono::milliseconds(ReadSpacingMs);
        while (true) {
            const TWait wait = Watch->WaitForChange(StopSignal);
            if (wait != TWait::Changed) {
                return wait;
            }
            const TWait gathered = GatherBurst(lastPost + std::chrono::milliseconds(ReadSpacingMs));
            if (gathered != TWait::Changed) {
                return gathered;
            }
            if (!PostMessage(WmLiveFolderChanged)) {
                return TWait::Stopped;
            }
            lastPost = std::chrono::steady_clock::now();
        }
    }
};

TFileChecker::TFileChecker(std::string folder, TNameFilter followed, PostFunction post,
                           TFolderPolling polling)
    : Folder(std::move(folder)), Followed(followed), Post(std::move(post)), PollingMode(polling) {}

TFileChecker::~TFileChecker() {
    Stop();
}

void TFileChecker::Start() {
    if (Thread.joinable()) {
        return;
    }
    auto shared = std::make_shared<TShared>();
    shared->Folder = Folder;
    shared->Followed = Followed;
    shared->Post = Post;
    shared->PollingMode = PollingMode;
    try {
        Thread = std::thread([shared] { shared->Run(); });
    } catch (const std::system_error&) {
        shared->PostMessage(WmWatcherEnded);
        return;
    }
    Shared = shared;
    std::unique_lock lock(Shared->Mutex);
    if (!Shared->Signal.wait_for(lock, FirstAnswerWait,
                                 [&] { return Shared->Way != TWay::Unknown; })) {
        Shared->StartGaveUp = true;
    }
}

void TFileChecker::Stop() {
    if (!Thread.joinable()) {
        Shared.reset();
        return;
    }
    Shared->Stopping = true;
    Shared->StopSignal.Raise();
    bool finished = false;
    {
        std::unique_lock lock(Shared->Mutex);
        finished = Shared->Signal.wait_for(lock, StopWait, [&] { return Shared->Finished; });
    }
    if (finished) {
        Thread.join();
    } else {
        Thread.detach();
    }
    Shared.reset();
}

TFileChecker::TWay TFileChecker::Way() const {
    if (!Shared) {
        return TWay::Unknown;
    }
    std::lock_guard lock(Shared->Mutex);
    return Shared->Way;
}

std::string FollowingText(const std::string& folder, TFileChecker::TWay way, bool again) {
    const std::string following = "Following " + folder + (again ? " again" : "");
    switch (way) {
    case TFileChecker::TWay::Notified:
        return following + " by change notification";
    case TFileChecker::TWay::Unwatchable:
        return following + " by looking at it every 200 ms (the system cannot watch it)";
    case TFileChecker::TWay::Polled:
        return following + " by looking at it every 200 ms (network or FUSE file system)";
    case TFileChecker::TWay::Unknown:
        return folder + " does not answer yet; it is followed as soon as it does";
    case TFileChecker::TWay::Failed:
        break;
    }
    return {};
}
