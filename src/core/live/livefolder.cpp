#include "core/live/livefolder.h"

#include "core/platform/collation.h"
#include "core/platform/filestamp.h"
#include "core/platform/folderlist.h"

namespace {

constexpr std::string_view LiveSuffix = "_live.txt";

} // namespace

bool IsLiveFileName(const std::string& name) {
    const std::size_t at = name.find(LiveSuffix);
    return at != std::string::npos && at + LiveSuffix.size() == name.size();
}

std::optional<std::string> TryFindNewestLiveFile(const std::string& folder) {
    const TFolderListing listing = ListRegularFiles(folder, IsLiveFileName);
    if (listing.Result == TFolderListing::TResult::Gone) {
        return std::string();
    }
    if (listing.Result == TFolderListing::TResult::Unreadable) {
        return std::nullopt;
    }
    const std::string* newest = nullptr;
    for (const std::string& name : listing.Names) {
        if (newest == nullptr || CollateIgnoreCase(name, *newest) > 0) {
            newest = &name;
        }
    }
    return newest == nullptr ? std::string() : folder + "/" + *newest;
}

std::string FindNewestLiveFile(const std::string& folder) {
    return TryFindNewestLiveFile(folder).value_or(std::string());
}

std::optional<std::string> LiveFileWrittenAfter(const std::string& folder,
                                                const std::string& followed) {
    const TFolderListing listing = ListRegularFiles(folder, IsLiveFileName);
    TFileStamp latest = GetFileStamp(followed);
    std::optional<std::string> found;
    for (const std::string& name : listing.Names) {
        const std::string path = folder + "/" + name;
        if (path == followed) {
            continue;
        }
        const TFileStamp stamp = GetFileStamp(path);
        if (stamp > latest) {
            latest = stamp;
            found = path;
        }
    }
    return found;
}
