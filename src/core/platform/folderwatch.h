#pragma once
// The system's side of the folder watcher: a wake-up that ends its waits, and the change
// notification on one folder (inotify on Linux, ReadDirectoryChangesW on Windows).

#include <memory>
#include <string>

/// How a wait of the watcher thread ended.
enum class TWait { Changed, Stopped, Ended, Nothing };

/// Wakes the watcher thread from any wait, from any thread; stays raised once raised.
class TWakeUp {
  public:
    TWakeUp();
    ~TWakeUp();
    TWakeUp(const TWakeUp&) = delete;
    TWakeUp& operator=(const TWakeUp&) = delete;

    /// False when the system gave no wake-up object; the watcher then does not start.
    bool Valid() const;
    void Raise();
    /// Sleeps `ms` unless raised first: Changed when the pause ran out, Stopped when raised,
    /// Ended when the wait itself failed.
    TWait Pause(int ms) const;

  private:
    friend class TFolderWatch;
    struct TImpl;
    std::unique_ptr<TImpl> Impl;
};

/// Change notification on the files directly in one folder: names, sizes and write times.
class TFolderWatch {
  public:
    /// Sets the watch up; Valid() is false when the folder is not a directory or cannot be
    /// watched.
    explicit TFolderWatch(const std::string& folder);
    ~TFolderWatch();
    TFolderWatch(const TFolderWatch&) = delete;
    TFolderWatch& operator=(const TFolderWatch&) = delete;

    bool Valid() const;
    /// Blocks until a file of the folder changes (Changed), `stop` is raised (Stopped), or
    /// the watch fails or the folder goes away (Ended). Changes made between two calls are
    /// kept by the system and end the next call at once. Once a second it checks that the
    /// path still names the watched directory: a disk mounted over it again after an unmount
    /// raises no event in the covered one.
    TWait WaitForChange(const TWakeUp& stop);
    /// As WaitForChange, but gives up after `timeoutMs` with Nothing: how the watcher tells
    /// that a writer has paused.
    TWait WaitForChange(const TWakeUp& stop, int timeoutMs);

  private:
    struct TImpl;
    std::unique_ptr<TImpl> Impl;
};

/// True when `folder` names a directory now.
bool IsFolder(const std::string& folder);
