#pragma once
// The folder watcher: a thread that tells the main window when something in the live folder
// was written, so the reload cycle runs. It only posts; it touches no data.

#include "live/folderpoll.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

/// How the folder is followed: by the system's change notification, or by looking at it every
/// 200 ms. Auto polls where notifications cannot be trusted (see FolderNeedsPolling).
enum class TFolderPolling { Auto, On, Off };

/// True when `folder` lies on a file system whose change notifications miss writes made
/// elsewhere: network shares (NFS, SMB/CIFS, 9p, AFS, Ceph, ...) and FUSE mounts.
bool FolderNeedsPolling(const std::string& folder);

/// The folder watcher thread: inotify on the folder (no subfolders; writes, closes after
/// writing, attribute changes, files created, renamed in or out, deleted).
/// Body: folder not a directory -> post WmWatcherEnded, end. Loop: wait for a notification;
/// sleep 200 ms so a burst of writes makes one message; post WmLiveFolderChanged; wait again.
/// Changes made during the sleep stay queued and end the next wait at once, so they lead to one
/// more message rather than being lost. Any failure, or the folder itself being deleted, moved
/// away or unmounted -> post WmWatcherEnded and end.
/// When polling, it looks at the folder every 200 ms instead (TFolderPoll); any difference
/// posts WmLiveFolderChanged at once (the pause between two looks gathers a burst of writes),
/// and a folder that is gone posts WmWatcherEnded.
/// Stop() (and the destructor) wake the thread from its wait or sleep and join it, so the
/// program never hangs on quit; nothing is posted after a stop.
class TFileChecker {
  public:
    /// Called on the watcher thread; the Qt side wraps QCoreApplication::postEvent.
    using PostFunction = std::function<void(int message)>;

    TFileChecker(std::string folder, PostFunction post,
                 TFolderPolling polling = TFolderPolling::Auto);
    ~TFileChecker();
    TFileChecker(const TFileChecker&) = delete;
    TFileChecker& operator=(const TFileChecker&) = delete;

    /// Sets up the watch and starts the thread, so every change after it returns is reported;
    /// does nothing while the thread is running.
    void Start();
    /// Wakes and joins the thread. Safe to call more than once, or without Start. Must not be
    /// called from the post function (the thread cannot join itself).
    void Stop();

    /// Whether Start chose to poll (valid after Start).
    bool Polling() const { return PollingChosen; }

    const std::string Folder;

  private:
    void Run() const;
    void RunNotified() const;
    void RunPolling() const;
    /// Posts, swallowing whatever the post function throws: it must not kill the process.
    bool PostMessage(int message) const;

    PostFunction Post;
    TFolderPolling PollingMode;
    bool PollingChosen = false;
    std::unique_ptr<TFolderPoll> Poll; // when polling; its first look is taken by Start
    std::thread Thread;
    int StopFd = -1;
    int WatchFd = -1;
};
