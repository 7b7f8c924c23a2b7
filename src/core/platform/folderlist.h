#pragma once
// The plain files of one folder, as the live-file search and the folder poll see it.

#include <string>
#include <vector>

/// Which file names of a folder matter; nullptr takes every file.
using TNameFilter = bool (*)(const std::string& name);

struct TFolderListing {
    enum class TResult {
        Listed,    ///< Names holds the files
        Gone,      ///< the folder does not exist, or is no folder
        Unreadable ///< it exists but cannot be listed now
    };
    TResult Result = TResult::Gone;
    /// The names (UTF-8) of the regular files, or links to one, that pass the filter, in no
    /// particular order.
    std::vector<std::string> Names;
};

TFolderListing ListRegularFiles(const std::string& folder, TNameFilter followed);
