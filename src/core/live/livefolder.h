#pragma once
// Which live file of the folder to follow: the one whose name sorts last.

#include <optional>
#include <string>

/// True when `name` ends in "_live.txt" and that is its first occurrence (case-sensitive), so
/// "a_live.txt.bak" and "a_live.txt_live.txt" are not live files.
bool IsLiveFileName(const std::string& name);

/// Full path (folder + "/" + name) of the live file whose name sorts last (case-insensitive,
/// CollateIgnoreCase: the user's locale collation), or "". Keeps regular files (and symlinks to
/// them) whose name passes IsLiveFileName; skips directories. A missing folder gives "".
std::string FindNewestLiveFile(const std::string& folder);

/// As FindNewestLiveFile, but nullopt when the folder exists and cannot be listed (no access,
/// out of descriptors, an error midway). The reload cycle then keeps the file it follows
/// rather than taking a failed listing for an empty folder and ending the session.
std::optional<std::string> TryFindNewestLiveFile(const std::string& folder);
