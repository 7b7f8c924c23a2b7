#include "live/livefolder.h"

#include "platform/collation.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view LiveSuffix = "_live.txt";

/// A plain file, or a symlink to one; anything else in the folder is not ours to read.
bool IsRegularEntry(const fs::directory_entry& entry) {
    std::error_code error;
    return entry.is_regular_file(error);
}

bool FolderExists(const std::string& folder) {
    std::error_code error;
    return !folder.empty() && fs::is_directory(folder, error);
}

} // namespace

bool IsLiveFileName(const std::string& name) {
    const std::size_t at = name.find(LiveSuffix);
    return at != std::string::npos && at + LiveSuffix.size() == name.size();
}

std::optional<std::string> TryFindNewestLiveFile(const std::string& folder) {
    if (!FolderExists(folder)) {
        return std::string();
    }
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error) {
        return std::nullopt;
    }
    std::string newest;
    for (; entries != fs::directory_iterator(); entries.increment(error)) {
        const std::string name = entries->path().filename().string();
        if (!IsLiveFileName(name) || !IsRegularEntry(*entries)) {
            continue;
        }
        if (newest.empty() || CollateIgnoreCase(name, newest) > 0) {
            newest = name;
        }
    }
    if (error) {
        return std::nullopt;
    }
    if (newest.empty()) {
        return std::string();
    }
    return folder + "/" + newest;
}

std::string FindNewestLiveFile(const std::string& folder) {
    return TryFindNewestLiveFile(folder).value_or(std::string());
}
