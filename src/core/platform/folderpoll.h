#pragma once
// Following a folder by looking at it, for file systems whose change notifications miss what
// another machine writes (network shares, FUSE mounts). Window-free and thread-free: the
// folder watcher's thread calls it between pauses.

#include "core/platform/folderlist.h"
#include "core/platform/steadyclock.h"

#include <chrono>
#include <string>
#include <vector>

/// A folder unchanged this long is idle, and looked at half as often.
inline constexpr std::chrono::seconds PollIdleAfter{10};

class TFolderPoll {
  public:
    enum class TLook { Unchanged, Changed, Gone };

    /// Takes the first look, so every change after construction is reported. Only files whose
    /// names pass `followed` are compared.
    TFolderPoll(std::string folder, TNameFilter followed, TSteadyTime now);

    /// False when the folder did not exist (or was no folder) at the first look.
    bool Found() const { return FolderFound; }

    /// Looks again: the stamp, size and bytes of the followed file whose name sorts last (the
    /// one the program reads) every time; the names of the followed files every time too, or
    /// once a second in a folder of more than a hundred of them. Gone when the folder no
    /// longer exists.
    TLook Look(TSteadyTime now);

    /// The pause before the next look: 200 ms while the folder changes; 400 ms once it has
    /// not changed for PollIdleAfter, which halves the cost of an idle share and still sees
    /// a write within half a second.
    std::chrono::milliseconds NextPause(TSteadyTime now) const;

  private:
    /// The newest file's stamp, size and a fingerprint of its bytes, as one text.
    std::string LookAtNewest() const;

    std::string Folder;
    TNameFilter Followed;
    bool FolderFound = false;
    std::vector<std::string> Names; // as the system lists them
    std::string Newest;
    std::string NewestLook;
    TSteadyTime ListedAt;
    TSteadyTime ChangedAt;
};
