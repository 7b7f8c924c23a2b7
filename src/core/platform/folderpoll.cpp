#include "platform/folderpoll.h"

#include "platform/bytehash.h"
#include "platform/collation.h"
#include "platform/filestamp.h"
#include "platform/readfile.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr std::chrono::milliseconds ActivePause{200};
constexpr std::chrono::milliseconds IdlePause{400};
/// Only the followed (newest) file matters to the program; the others are stamped once a
/// second, which keeps an idle look on a share to a listing and one small read.
constexpr std::chrono::seconds StampEvery{1};
/// A live file is a few kilobytes; a bigger one is compared by stamp and size alone.
constexpr std::size_t MaxComparedBytes = 1u << 20;

struct TListing {
    std::vector<std::string> Names; // in name order
    std::string Newest;
};

/// A plain file or a link to one, as the reload cycle takes it; the listing's type saves a
/// round trip to the share where it is given.
bool IsRegularEntry(const std::string& folder, const dirent& entry) {
    if (entry.d_type == DT_REG) {
        return true;
    }
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) {
        return false;
    }
    struct stat info {};
    return ::stat((folder + "/" + entry.d_name).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

/// The followed files of `folder`; nullopt when the folder is gone or is no folder any more.
std::optional<TListing> ListFollowedFiles(const std::string& folder, TNameFilter followed) {
    TListing listing;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return std::nullopt;
        }
        return listing; // unreadable for now: look again next time
    }
    while (const dirent* entry = ::readdir(dir)) {
        if ((followed == nullptr || followed(entry->d_name)) && IsRegularEntry(folder, *entry)) {
            listing.Names.emplace_back(entry->d_name);
        }
    }
    ::closedir(dir);
    std::sort(listing.Names.begin(), listing.Names.end());
    for (const std::string& name : listing.Names) {
        if (listing.Newest.empty() || CollateIgnoreCase(name, listing.Newest) > 0) {
            listing.Newest = name;
        }
    }
    return listing;
}

/// The stamps and sizes of the named files, one a line. Opening each file (in GetFileState)
/// makes a network client fetch fresh attributes.
std::string StampsOf(const std::string& folder, const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        const TFileState state = GetFileState(folder + "/" + name);
        text += std::to_string(state.Stamp) + ' ' + std::to_string(state.Size) + '\n';
    }
    return text;
}

/// A fingerprint of a file's bytes. A FUSE mount keeps a file's attributes for a second
/// whatever the other side writes, but its bytes are fetched afresh at every open.
std::string BytesOf(const std::string& path) {
    try {
        return std::to_string(HashBytes(ReadWholeFile(path, MaxComparedBytes)));
    } catch (const std::exception&) {
        return "unreadable";
    }
}

} // namespace

TFolderPoll::TFolderPoll(std::string folder, TNameFilter followed, TSteadyTime now)
    : Folder(std::move(folder)), Followed(followed), StampedAt(now), ChangedAt(now) {
    std::optional<TListing> listing =
        Folder.empty() ? std::nullopt : ListFollowedFiles(Folder, Followed);
    FolderFound = listing.has_value();
    if (listing) {
        Names = std::move(listing->Names);
        Newest = std::move(listing->Newest);
        Stamps = StampsOf(Folder, Names);
        NewestBytes = Newest.empty() ? std::string() : BytesOf(Folder + "/" + Newest);
    }
}

TFolderPoll::TLook TFolderPoll::Look(TSteadyTime now) {
    std::optional<TListing> listing = ListFollowedFiles(Folder, Followed);
    if (!listing) {
        return TLook::Gone;
    }
    bool changed = listing->Names != Names;
    Names = std::move(listing->Names);
    Newest = std::move(listing->Newest);
    if (changed || now - StampedAt >= StampEvery) {
        std::string stamps = StampsOf(Folder, Names);
        changed = changed || stamps != Stamps;
        Stamps = std::move(stamps);
        StampedAt = now;
    }
    std::string bytes = Newest.empty() ? std::string() : BytesOf(Folder + "/" + Newest);
    changed = changed || bytes != NewestBytes;
    NewestBytes = std::move(bytes);
    if (!changed) {
        return TLook::Unchanged;
    }
    ChangedAt = now;
    return TLook::Changed;
}

std::chrono::milliseconds TFolderPoll::NextPause(TSteadyTime now) const {
    return now - ChangedAt < PollIdleAfter ? ActivePause : IdlePause;
}
