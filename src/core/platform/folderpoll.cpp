#include "core/platform/folderpoll.h"

#include "core/platform/bytehash.h"
#include "core/platform/collation.h"
#include "core/platform/filestamp.h"
#include "core/platform/folderlist.h"
#include "core/platform/readfile.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

constexpr std::chrono::milliseconds ActivePause{200};
constexpr std::chrono::milliseconds IdlePause{400};
/// Only the followed (newest) file matters to the program, and it is looked at every time. The
/// others only matter when a new one appears, which a listing shows: a crowded folder (a share
/// keeping every old session) is listed once a second, so the share's server is not asked for
/// thousands of names five times a second.
constexpr std::size_t CrowdedFolder = 100;
constexpr std::chrono::seconds CrowdedListEvery{1};
/// A live file is a few kilobytes; a bigger one is compared by stamp and size alone.
constexpr std::size_t MaxComparedBytes = 1u << 20;

/// The followed files of `folder`, in the order the system lists them; nullopt when the folder
/// is gone or is no folder any more. An unreadable folder lists nothing for now.
std::optional<std::vector<std::string>> ListFollowedFiles(const std::string& folder,
                                                          TNameFilter followed) {
    TFolderListing found = ListRegularFiles(folder, followed);
    if (found.Result == TFolderListing::TResult::Gone) {
        return std::nullopt;
    }
    if (found.Result == TFolderListing::TResult::Unreadable) {
        return std::vector<std::string>{};
    }
    return std::move(found.Names);
}

std::string NewestOf(const std::vector<std::string>& names) {
    std::string newest;
    for (const std::string& name : names) {
        if (newest.empty() || CollateIgnoreCase(name, newest) > 0) {
            newest = name;
        }
    }
    return newest;
}

/// A fingerprint of a file's bytes.
std::string BytesOf(const std::string& path) {
    try {
        return std::to_string(HashBytes(ReadWholeFile(path, MaxComparedBytes)));
    } catch (const std::exception&) {
        return "unreadable";
    }
}

} // namespace

TFolderPoll::TFolderPoll(std::string folder, TNameFilter followed, TSteadyTime now)
    : Folder(std::move(folder)), Followed(followed), ListedAt(now), ChangedAt(now) {
    std::optional<std::vector<std::string>> names =
        Folder.empty() ? std::nullopt : ListFollowedFiles(Folder, Followed);
    FolderFound = names.has_value();
    if (names) {
        Names = std::move(*names);
        Newest = NewestOf(Names);
        NewestLook = LookAtNewest();
    }
}

std::string TFolderPoll::LookAtNewest() const {
    if (Newest.empty()) {
        return {};
    }
    // Opening the file (in GetFileState) makes a network client fetch fresh attributes; a
    // FUSE mount keeps them for a second whatever the other side writes, but fetches the
    // bytes afresh at every open.
    const std::string path = Folder + "/" + Newest;
    const TFileState state = GetFileState(path);
    return std::to_string(state.Stamp) + ' ' + std::to_string(state.Size) + ' ' + BytesOf(path);
}

TFolderPoll::TLook TFolderPoll::Look(TSteadyTime now) {
    bool changed = false;
    if (Names.size() <= CrowdedFolder || now - ListedAt >= CrowdedListEvery) {
        std::optional<std::vector<std::string>> names = ListFollowedFiles(Folder, Followed);
        if (!names) {
            return TLook::Gone;
        }
        ListedAt = now;
        if (*names != Names) {
            changed = true;
            Names = std::move(*names);
            Newest = NewestOf(Names);
        }
    }
    std::string look = LookAtNewest();
    changed = changed || look != NewestLook;
    NewestLook = std::move(look);
    if (!changed) {
        return TLook::Unchanged;
    }
    ChangedAt = now;
    return TLook::Changed;
}

std::chrono::milliseconds TFolderPoll::NextPause(TSteadyTime now) const {
    return now - ChangedAt < PollIdleAfter ? ActivePause : IdlePause;
}
