#include "platform/folderpoll.h"

#include "platform/bytehash.h"
#include "platform/collation.h"
#include "platform/filestamp.h"
#include "platform/folderlist.h"
#include "platform/readfile.h"

#include <algorithm>
#include <optional>
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

/// The followed files of `folder`; nullopt when the folder is gone or is no folder any more.
std::optional<TListing> ListFollowedFiles(const std::string& folder, TNameFilter followed) {
    TFolderListing found = ListRegularFiles(folder, followed);
    if (found.Result == TFolderListing::TResult::Gone) {
        return std::nullopt;
    }
    TListing listing; // an unreadable folder lists nothing for now: looked at again next time
    if (found.Result == TFolderListing::TResult::Unreadable) {
        return listing;
    }
    listing.Names = std::move(found.Names);
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
