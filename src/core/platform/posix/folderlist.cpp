#include "core/platform/folderlist.h"

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

namespace {

/// A plain file or a link to one; the listing's type saves a round trip to a share where it
/// is given.
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

} // namespace

TFolderListing ListRegularFiles(const std::string& folder, TNameFilter followed) {
    TFolderListing listing;
    DIR* dir = folder.empty() ? nullptr : ::opendir(folder.c_str());
    if (dir == nullptr) {
        listing.Result = folder.empty() || errno == ENOENT || errno == ENOTDIR
                             ? TFolderListing::TResult::Gone
                             : TFolderListing::TResult::Unreadable;
        return listing;
    }
    listing.Result = TFolderListing::TResult::Listed;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if ((followed == nullptr || followed(entry->d_name)) && IsRegularEntry(folder, *entry)) {
            listing.Names.emplace_back(entry->d_name);
        }
        errno = 0;
    }
    if (errno != 0) {
        listing.Result = TFolderListing::TResult::Unreadable;
    }
    ::closedir(dir);
    return listing;
}
