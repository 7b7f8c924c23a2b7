#pragma once
// A file's last-write time, used to tell whether the followed live file has changed.

#include <cstdint>
#include <string>

/// The system's last-write time: nanoseconds since 1970 on POSIX systems, 100 ns units since
/// 1601 on Windows. Only compared, never shown; 0 means no stamp.
using TFileStamp = int64_t;

/// How many stamp units make a second on this system.
extern const TFileStamp FileStampUnitsPerSecond;

/// Last-write time of the regular file at `path` (symlinks followed), so the reload cycle can skip
/// a file it has already read. 0 when the file cannot be opened or stat'ed or is not a regular
/// file; a file whose time happens to be exactly the epoch still gets a stamp (1), so it is read.
TFileStamp GetFileStamp(const std::string& path);

/// A file's stamp and size at one moment; both zero when it cannot be opened.
struct TFileState {
    TFileStamp Stamp = 0;
    int64_t Size = 0;
    bool operator==(const TFileState&) const = default;
};

/// GetFileStamp and the size in bytes, from one look at the file.
TFileState GetFileState(const std::string& path);
