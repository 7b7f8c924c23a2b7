#pragma once
// The folder watcher: a thread that says when something in the live folder was written. The
// console hands that word to the reader thread (TLiveReader), which reads the file; the
// watcher itself only posts and touches no data.

#include "core/platform/folderpoll.h"

#include <functional>
#include <memory>
#include <string>
#include <thread>

/// How the folder is followed: by the system's change notification, or by looking at it (every
/// 200 ms, 400 ms once it has been still for 10 s: TFolderPoll). Auto polls where
/// notifications cannot be trusted (see FolderNeedsPolling).
enum class TFolderPolling { Auto, On, Off };

/// True when `folder` lies on a file system whose change notifications miss writes made
/// elsewhere: network shares (NFS, SMB/CIFS, 9p, AFS, Ceph, ...) and FUSE mounts.
bool FolderNeedsPolling(const std::string& folder);

/// The folder watcher thread: the system's change notification on the folder (no subfolders;
/// writes, closes after writing, attribute changes, files created, renamed in or out,
/// deleted). After a change it posts WmLiveFolderChanged once the folder has been quiet for
/// 25 ms and 150 ms have passed since its last post, or 200 ms after that first change at the
/// latest: a burst of writes makes one message that lands between two versions, and a writer
/// rewriting its file 20 times a second is not read 20 times a second. Changes after that
/// stay queued by the system and end the next wait at once, so none is lost. On Windows a
/// second without a notification counts as a change too (a write to a file held open may be
/// reported only when it reaches the disk).
/// Any failure, or the folder missing at start or deleted, moved away or unmounted ->
/// WmWatcherEnded; then it is looked for once a second, and when it is back it is followed
/// again with WmWatcherResumed and WmLiveFolderChanged. An empty folder name ends the thread
/// after WmWatcherEnded. With Auto, a folder that is there but cannot be watched is polled.
/// When polling (TFolderPoll), it looks at the folder every 200 ms (400 ms once nothing has
/// changed for 10 s); a difference posts WmLiveFolderChanged at once (the pause between two
/// looks gathers a burst of writes), and a folder that is gone posts WmWatcherEnded.
/// Stop() (and the destructor) wake the thread from any wait and join it, so the program never
/// hangs on quit; nothing is posted after a stop.
class TFileChecker {
  public:
    /// Called on the watcher thread. The console posts WmWatcherEnded and WmWatcherResumed to
    /// itself (QCoreApplication::postEvent) and hands WmLiveFolderChanged to its reader.
    using PostFunction = std::function<void(int message)>;
    /// How the folder turned out to be followed.
    /// Polled: the folder lies on a share or FUSE mount (or polling is on); Unwatchable: it
    /// is polled because the system could not watch it.
    enum class TWay { Unknown, Notified, Polled, Unwatchable, Failed };

    /// `followed` names the files a polled folder compares (notifications cover every file).
    TFileChecker(std::string folder, TNameFilter followed, PostFunction post,
                 TFolderPolling polling = TFolderPolling::Auto);
    ~TFileChecker();
    TFileChecker(const TFileChecker&) = delete;
    TFileChecker& operator=(const TFileChecker&) = delete;

    /// Starts the thread and waits until its watch is set up (or its first look taken), so
    /// every change after it returns is reported; does nothing while the thread is running.
    /// A folder that does not answer within a second (a stalled share) is left to the thread,
    /// so start-up never freezes; it posts WmWatcherResumed once the folder answers.
    void Start();
    /// Wakes and joins the thread. A thread stuck in a stalled share's I/O for more than two
    /// seconds is left behind instead: it posts nothing more and ends when the I/O returns,
    /// so quitting never hangs. Safe to call more than once, or without Start. Must not be
    /// called from the post function (the thread cannot join itself).
    void Stop();

    /// How the folder is followed; Unknown while it has not answered.
    TWay Way() const;

    const std::string Folder;

  private:
    struct TShared;

    TNameFilter Followed;
    PostFunction Post;
    TFolderPolling PollingMode;
    /// What the thread uses; it outlives the object when the thread is left behind.
    std::shared_ptr<TShared> Shared;
    std::thread Thread;
};

/// The log line saying how `folder` is followed (`again` once it has come back); empty when
/// watching failed (the watcher's own failure line says so).
std::string FollowingText(const std::string& folder, TFileChecker::TWay way, bool again = false);
