#pragma once
// The folder watcher: a thread that tells the main window when something in the live folder
// was written, so the reload cycle runs. It only posts; it touches no data.

#include "platform/folderpoll.h"

#include <functional>
#include <memory>
#include <string>
#include <thread>

/// How the folder is followed: by the system's change notification, or by looking at it every
/// 200 ms. Auto polls where notifications cannot be trusted (see FolderNeedsPolling).
enum class TFolderPolling { Auto, On, Off };

/// True when `folder` lies on a file system whose change notifications miss writes made
/// elsewhere: network shares (NFS, SMB/CIFS, 9p, AFS, Ceph, ...) and FUSE mounts.
bool FolderNeedsPolling(const std::string& folder);

/// The folder watcher thread: the system's change notification on the folder (no subfolders;
/// writes, closes after
/// writing, attribute changes, files created, renamed in or out, deleted).
/// Body: folder not a directory -> post WmWatcherEnded, end. Loop: wait for a notification;
/// sleep 200 ms so a burst of writes makes one message; post WmLiveFolderChanged; wait again.
/// Changes made during the sleep stay queued and end the next wait at once, so they lead to one
/// more message rather than being lost. Any failure, or the folder itself being deleted, moved
/// away or unmounted -> post WmWatcherEnded; then (also for a folder missing at start) look
/// for the folder once a second, and when it is back watch it again and post WmWatcherResumed
/// and WmLiveFolderChanged. An empty folder name ends the thread after WmWatcherEnded.
/// When polling, it looks at the folder every 200 ms instead (TFolderPoll); any difference
/// posts WmLiveFolderChanged at once (the pause between two looks gathers a burst of writes),
/// and a folder that is gone posts WmWatcherEnded.
/// Stop() (and the destructor) wake the thread from its wait or sleep and join it, so the
/// program never hangs on quit; nothing is posted after a stop.
class TFileChecker {
  public:
    /// Called on the watcher thread; the Qt side wraps QCoreApplication::postEvent.
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
