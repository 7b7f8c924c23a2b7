#include "core/platform/filestamp.h"

#include "core/platform/posix/uniquefd.h"

#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

const TFileStamp FileStampUnitsPerSecond = 1'000'000'000;

namespace {

/// Nanoseconds since the epoch, saturated: a file dated past the year 2262 (or before 1678)
/// must not overflow.
TFileStamp Nanoseconds(const timespec& time) {
    TFileStamp stamp = 0;
    if (__builtin_mul_overflow(static_cast<TFileStamp>(time.tv_sec), TFileStamp{1000000000},
                               &stamp) ||
        __builtin_add_overflow(stamp, static_cast<TFileStamp>(time.tv_nsec), &stamp)) {
        return time.tv_sec < 0 ? std::numeric_limits<TFileStamp>::min()
                               : std::numeric_limits<TFileStamp>::max();
    }
    return stamp;
}

} // namespace

TFileStamp GetFileStamp(const std::string& path) {
    return GetFileState(path).Stamp;
}

TFileState GetFileState(const std::string& path) {
    // Opened rather than only stat'ed: a file we cannot open cannot be read either, and the
    // reload cycle should then search instead. O_NONBLOCK keeps a fifo from blocking us.
    const TUniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (!file.Valid() || ::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return {};
    }
    const TFileStamp stamp = Nanoseconds(info.st_mtim);
    return {stamp != 0 ? stamp : 1, static_cast<int64_t>(info.st_size)};
}
