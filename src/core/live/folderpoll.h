#pragma once
// Following a folder by looking at it, for file systems whose change notifications miss what
// another machine writes (network shares, FUSE mounts). Window-free and thread-free: the
// folder watcher's thread calls it between pauses.

#include "live/feedquiet.h"

#include <chrono>
#include <string>
#include <vector>

class TFolderPoll {
  public:
    enum class TLook { Unchanged, Changed, Gone };

    /// Takes the first look, so every change after construction is reported.
    TFolderPoll(std::string folder, TSteadyTime now);

    /// False when the folder did not exist (or was no folder) at the first look.
    bool Found() const { return FolderFound; }

    /// Looks again: the names of the live files and the bytes of the newest one (the one the
    /// program follows) every time, the stamps and sizes of all of them once a second. Gone
    /// when the folder no longer exists.
    TLook Look(TSteadyTime now);

    /// The pause before the next look: 200 ms while the folder changes; 400 ms once it has
    /// not changed for FeedQuietAfter, which halves the cost of an idle share and still sees
    /// a write within half a second.
    std::chrono::milliseconds NextPause(TSteadyTime now) const;

  private:
    std::string Folder;
    bool FolderFound = false;
    std::vector<std::string> Names;
    std::string Newest;
    std::string Stamps;
    std::string NewestBytes;
    TSteadyTime StampedAt;
    TSteadyTime ChangedAt;
};
