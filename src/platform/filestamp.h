#pragma once
// A file's last-write time, used to tell whether the followed live file has changed.

#include <cstdint>
#include <string>

/// Nanoseconds since the epoch; 0 means no stamp.
using TFileStamp = int64_t;

/// Last-write time of the regular file at `path` (symlinks followed), so the reload cycle can skip
/// a file it has already read. 0 when the file cannot be opened or stat'ed or is not a regular
/// file; a file whose time happens to be exactly the epoch still gets a stamp (1), so it is read.
TFileStamp GetFileStamp(const std::string& path);
