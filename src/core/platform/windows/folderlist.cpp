#include "core/platform/folderlist.h"

#include "core/platform/windows/wintext.h"

namespace {

struct TFindCloser {
    HANDLE Find;
    ~TFindCloser() { ::FindClose(Find); }
};

/// A file, or a link to one; folders and devices are not ours to read.
bool IsRegularEntry(const WIN32_FIND_DATAW& entry) {
    return (entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

} // namespace

TFolderListing ListRegularFiles(const std::string& folder, TNameFilter followed) {
    TFolderListing listing;
    if (folder.empty()) {
        return listing;
    }
    const DWORD attributes = ::GetFileAttributesW(WideText(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        const bool gone = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                          error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH ||
                          error == ERROR_BAD_NET_NAME;
        listing.Result = gone ? TFolderListing::TResult::Gone : TFolderListing::TResult::Unreadable;
        return listing;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return listing; // a file where the folder should be
    }
    WIN32_FIND_DATAW entry{};
    const HANDLE find =
        ::FindFirstFileExW(WideText(folder + "\\*").c_str(), FindExInfoBasic, &entry,
                           FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        listing.Result = ::GetLastError() == ERROR_FILE_NOT_FOUND
                             ? TFolderListing::TResult::Listed // not even "." (a drive's root)
                             : TFolderListing::TResult::Unreadable;
        return listing;
    }
    const TFindCloser closer{find};
    do {
        if (!IsRegularEntry(entry)) {
            continue;
        }
        std::string name = Utf8Text(entry.cFileName);
        if (followed == nullptr || followed(name)) {
            listing.Names.push_back(std::move(name));
        }
    } while (::FindNextFileW(find, &entry));
    listing.Result = ::GetLastError() == ERROR_NO_MORE_FILES ? TFolderListing::TResult::Listed
                                                             : TFolderListing::TResult::Unreadable;
    return listing;
}
