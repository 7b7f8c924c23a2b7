#include "platform/filechk.h"

#include "platform/folderpoll.h"

#include "platform/messageids.h"
#include "platform/uniquefd.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <system_error>
#include <unistd.h>

namespace {

// Files directly in the folder; the *_SELF and unmount events say the folder itself is gone.
constexpr uint32_t ChangeMask =
    IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;
constexpr uint32_t FolderGoneMask = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;
constexpr int GatherMs = 200;
/// How often a folder that went away is looked for, and a watched one checked to be the same.
constexpr int FolderReturnCheckMs = 1000;
/// How long Start waits for the folder to answer, and Stop for the thread to end: beyond
/// that the folder is a stalled share, and the program must neither freeze nor hang.
constexpr std::chrono::seconds FirstAnswerWait{1};
constexpr std::chrono::seconds StopWait{2};

/// File systems whose notifications only report what this machine itself wrote (or nothing).
constexpr unsigned long RemoteFileSystems[] = {
    0x6969,     // NFS
    0x517B,     // SMB
    0xFF534D42, // CIFS
    0xFE534D42, // SMB2
    0x65735546, // FUSE (sshfs, bindfs, virtiofs, ...)
    0x01021997, // 9p
    0x73757245, // Coda
    0x5346414F, // AFS
    0x6B414653, // kAFS
    0x00C36400, // Ceph
    0x564C,     // NCP
    0x0BD00BD0, // Lustre
    0x20030528, // OrangeFS
    0x786F4256, // VirtualBox shared folders
    0x7C7C6673, // Parallels shared folders
    0x01161970, // GFS2
    0x7461636F, // OCFS2
};

enum class TWait { Changed, Stopped, Ended, Nothing };

/// An inotify descriptor watching `folder`, or none when the folder is not a directory or
/// cannot be watched.
TUniqueFd OpenWatch(const std::string& folder) {
    struct stat info {};
    if (folder.empty() || ::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return {};
    }
    TUniqueFd watch(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (watch.Valid() && ::inotify_add_watch(watch.Get(), folder.c_str(),
                                             ChangeMask | FolderGoneMask | IN_ONLYDIR) < 0) {
        return {};
    }
    return watch;
}

/// Reads every queued event. Changed when any event concerns the folder's files, Ended when
/// the folder itself went away or reading failed; Nothing when the queue was empty after all.
TWait DrainEvents(int fd) {
    alignas(inotify_event) char buffer[16 * 1024];
    bool changed = false;
    while (true) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                break;
            }
            return TWait::Ended;
        }
        if (got == 0) {
            return TWait::Ended;
        }
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if ((event->mask & FolderGoneMask) != 0) {
                return TWait::Ended;
            }
            changed = true; // IN_Q_OVERFLOW too: events were lost, so something changed
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return changed ? TWait::Changed : TWait::Nothing;
}

/// Which directory a path names: a folder replaced, or a mount point uncovered or covered
/// again, is another one even under the same name.
struct TFolderId {
    dev_t Device = 0;
    ino_t Inode = 0;
    bool operator==(const TFolderId&) const = default;
};

std::optional<TFolderId> FolderIdOf(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return std::nullopt;
    }
    return TFolderId{info.st_dev, info.st_ino};
}

/// Blocks until the folder changes, the watcher is stopped, or watching fails. Once a second
/// it checks that `folder` still names the watched directory: a disk mounted over it again
/// after an unmount raises no event in the covered one.
TWait WaitForChange(int inotifyFd, int stopFd, const std::string& folder, const TFolderId& id) {
    while (true) {
        pollfd fds[2] = {{stopFd, POLLIN, 0}, {inotifyFd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, FolderReturnCheckMs);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return TWait::Ended;
        }
        if (ready == 0) {
            if (FolderIdOf(folder) != id) {
                return TWait::Ended;
            }
            continue;
        }
        if (fds[0].revents != 0) {
            return TWait::Stopped;
        }
        if ((fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            return TWait::Ended;
        }
        if ((fds[1].revents & POLLIN) == 0) {
            continue;
        }
        const TWait drained = DrainEvents(inotifyFd);
        if (drained != TWait::Nothing) {
            return drained;
        }
    }
}

/// Sleeps `ms` unless stopped first: Changed when the pause ran out, Stopped, or Ended when
/// the wait itself failed.
TWait Pause(int stopFd, int ms) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (true) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd fd = {stopFd, POLLIN, 0};
        const int ready = ::poll(&fd, 1, static_cast<int>(std::max<int64_t>(0, left.count())));
        if (ready > 0) {
            return TWait::Stopped;
        }
        if (ready == 0) {
            return TWait::Changed;
        }
        if (errno != EINTR) {
            return TWait::Ended;
        }
    }
}

} // namespace

bool FolderNeedsPolling(const std::string& folder) {
    struct statfs info {};
    if (folder.empty() || ::statfs(folder.c_str(), &info) != 0) {
        return false;
    }
    const auto type = static_cast<unsigned long>(info.f_type) & 0xFFFFFFFFul;
    return std::find(std::begin(RemoteFileSystems), std::end(RemoteFileSystems), type) !=
           std::end(RemoteFileSystems);
}

struct TFileChecker::TShared {
    std::string Folder;
    TNameFilter Followed = nullptr;
    PostFunction Post;
    TFolderPolling PollingMode = TFolderPolling::Auto;
    TUniqueFd StopFd;
    TUniqueFd WatchFd;
    TFolderId Watched;
    std::unique_ptr<TFolderPoll> Poll;
    std::atomic<bool> Stopping{false};

    std::mutex Mutex;
    std::condition_variable Signal;
    TWay Way = TWay::Unknown; // set once the watch is set up
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

    void Announce(TWay way) {
        {
            std::lock_guard lock(Mutex);
            Way = way;
        }
        Signal.notify_all();
    }

    /// Sets up the watch: inotify, or the first look of a polled folder.
    TWay SetUp() {
        if (!StopFd.Valid()) {
            return TWay::Failed;
        }
        const bool polling = PollingMode == TFolderPolling::On ||
                             (PollingMode == TFolderPolling::Auto && FolderNeedsPolling(Folder));
        if (polling) {
            Poll =
                std::make_unique<TFolderPoll>(Folder, Followed, std::chrono::steady_clock::now());
            return Poll->Found() ? TWay::Polled : TWay::Failed;
        }
        WatchFd = OpenWatch(Folder);
        const std::optional<TFolderId> id = FolderIdOf(Folder);
        if (!WatchFd.Valid() || !id) {
            WatchFd.Close();
            return TWay::Failed;
        }
        Watched = *id;
        return TWay::Notified;
    }

    void Run() {
        TWay way = SetUp();
        Announce(way);
        if (way == TWay::Failed) {
            PostMessage(WmWatcherEnded);
        }
        while (true) {
            if (way != TWay::Failed) {
                if (Follow(way) == TWait::Stopped) {
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
    TWait Follow(TWay way) { return way == TWay::Polled ? RunPolling() : RunNotified(); }

    /// A deleted, renamed or unmounted folder may come back (a share remounted, a folder
    /// recreated): looks for it once a second and sets the watch up again when it is there.
    /// Unknown when stopped first.
    TWay AwaitFolder() {
        while (Pause(StopFd.Get(), FolderReturnCheckMs) == TWait::Changed) {
            if (!FolderIdOf(Folder)) {
                continue;
            }
            WatchFd.Close();
            Poll.reset();
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
            const TWait waited = Pause(StopFd.Get(), static_cast<int>(pause.count()));
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

    TWait RunNotified() {
        while (true) {
            const TWait wait = WaitForChange(WatchFd.Get(), StopFd.Get(), Folder, Watched);
            if (wait != TWait::Changed) {
                return wait;
            }
            // Writes during this pause stay queued in the inotify descriptor for the next wait.
            const TWait pause = Pause(StopFd.Get(), GatherMs);
            if (pause != TWait::Changed) {
                return pause;
            }
            if (!PostMessage(WmLiveFolderChanged)) {
                return TWait::Stopped;
            }
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
    shared->StopFd = TUniqueFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    try {
        Thread = std::thread([shared] { shared->Run(); });
    } catch (const std::system_error&) {
        shared->PostMessage(WmWatcherEnded);
        return;
    }
    Shared = shared;
    std::unique_lock lock(Shared->Mutex);
    Shared->Signal.wait_for(lock, FirstAnswerWait, [&] { return Shared->Way != TWay::Unknown; });
}

void TFileChecker::Stop() {
    if (!Thread.joinable()) {
        Shared.reset();
        return;
    }
    Shared->Stopping = true;
    const uint64_t one = 1;
    // The eventfd stays readable until closed, so a thread not yet waiting sees it too.
    [[maybe_unused]] const ssize_t written = ::write(Shared->StopFd.Get(), &one, sizeof one);
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
    case TFileChecker::TWay::Polled:
        return following + " by looking at it every 200 ms (network or FUSE file system)";
    case TFileChecker::TWay::Unknown:
        return folder + " does not answer yet; it is followed as soon as it does";
    case TFileChecker::TWay::Failed:
        break;
    }
    return {};
}
