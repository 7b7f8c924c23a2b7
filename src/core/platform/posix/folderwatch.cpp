#include "core/platform/folderwatch.h"

#include "core/platform/filechk.h"
#include "core/platform/posix/uniquefd.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace {

// Files directly in the folder; the *_SELF and unmount events say the folder itself is gone.
constexpr uint32_t ChangeMask =
    IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;
constexpr uint32_t FolderGoneMask = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;
/// How often a watched folder is checked to be the same directory.
constexpr int IdentityCheckMs = 1000;

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

/// Which directory a path names: a folder replaced, or a mount point uncovered or covered
/// again, is another one even under the same name.
struct TFolderId {
    dev_t Device = 0;
    ino_t Inode = 0;
    bool operator==(const TFolderId&) const = default;
};

std::optional<TFolderId> FolderIdOf(const std::string& folder) {
    struct stat info {};
    if (folder.empty() || ::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return std::nullopt;
    }
    return TFolderId{info.st_dev, info.st_ino};
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

} // namespace

struct TWakeUp::TImpl {
    TUniqueFd Fd{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
};

TWakeUp::TWakeUp() : Impl(std::make_unique<TImpl>()) {}
TWakeUp::~TWakeUp() = default;

bool TWakeUp::Valid() const {
    return Impl->Fd.Valid();
}

void TWakeUp::Raise() {
    const uint64_t one = 1;
    // The eventfd stays readable until closed, so a thread not yet waiting sees it too.
    [[maybe_unused]] const ssize_t written = ::write(Impl->Fd.Get(), &one, sizeof one);
}

TWait TWakeUp::Pause(int ms) const {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (true) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd fd = {Impl->Fd.Get(), POLLIN, 0};
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

struct TFolderWatch::TImpl {
    std::string Folder;
    TUniqueFd Fd;
    TFolderId Id;
};

TFolderWatch::TFolderWatch(const std::string& folder) : Impl(std::make_unique<TImpl>()) {
    Impl->Folder = folder;
    const std::optional<TFolderId> id = FolderIdOf(folder);
    if (!id) {
        return;
    }
    TUniqueFd watch(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!watch.Valid() || ::inotify_add_watch(watch.Get(), folder.c_str(),
                                              ChangeMask | FolderGoneMask | IN_ONLYDIR) < 0) {
        return;
    }
    Impl->Fd = std::move(watch);
    Impl->Id = *id;
}

TFolderWatch::~TFolderWatch() = default;

bool TFolderWatch::Valid() const {
    return Impl->Fd.Valid();
}

TWait TFolderWatch::WaitForChange(const TWakeUp& stop) {
    return WaitForChange(stop, -1);
}

TWait TFolderWatch::WaitForChange(const TWakeUp& stop, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        int wait = IdentityCheckMs;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return TWait::Nothing;
            }
            wait = std::min(wait, static_cast<int>(left.count()));
        }
        pollfd fds[2] = {{stop.Impl->Fd.Get(), POLLIN, 0}, {Impl->Fd.Get(), POLLIN, 0}};
        const int ready = ::poll(fds, 2, wait);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return TWait::Ended;
        }
        if (ready == 0 && wait < IdentityCheckMs) {
            continue; // the deadline decides at the top
        }
        if (ready == 0) {
            if (FolderIdOf(Impl->Folder) != Impl->Id) {
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
        const TWait drained = DrainEvents(Impl->Fd.Get());
        if (drained != TWait::Nothing) {
            return drained;
        }
    }
}

bool IsFolder(const std::string& folder) {
    return FolderIdOf(folder).has_value();
}

bool FolderNeedsPolling(const std::string& folder) {
    struct statfs info {};
    if (folder.empty() || ::statfs(folder.c_str(), &info) != 0) {
        return false;
    }
    const auto type = static_cast<unsigned long>(info.f_type) & 0xFFFFFFFFul;
    return std::find(std::begin(RemoteFileSystems), std::end(RemoteFileSystems), type) !=
           std::end(RemoteFileSystems);
}
