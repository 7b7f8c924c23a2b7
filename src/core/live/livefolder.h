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

/// The live file of `folder` written last, when it is another one than `followed` (a full
/// path) and was written after it; nullopt otherwise. A file whose name sorts before the
/// followed one's yet is still being written is a session the name order hides (a simulator
/// PC whose clock was ahead named the followed one). Looks at every file's stamp: call it
/// rarely.
std::optional<std::string> LiveFileWrittenAfter(const std::string& folder,
                                                const std::string& followed);
