#include "core/platform/filestamp.h"

#include "core/platform/windows/wintext.h"

#include <algorithm>
#include <cstdint>
#include <limits>

const TFileStamp FileStampUnitsPerSecond = 10'000'000;

TFileStamp GetFileStamp(const std::string& path) {
    return GetFileState(path).Stamp;
}

TFileState GetFileState(const std::string& path) {
    // Opened rather than only asked about: a file we cannot open cannot be read either, and
    // the reload cycle should then search instead.
    const TUniqueHandle file = OpenForReading(path);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.Valid() || ::GetFileType(file.Get()) != FILE_TYPE_DISK ||
        !::GetFileInformationByHandle(file.Get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return {};
    }
    // The last-write time in 100 ns units since 1601, saturated at the largest stamp.
    const uint64_t time = (static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                          info.ftLastWriteTime.dwLowDateTime;
    const TFileStamp stamp =
        static_cast<TFileStamp>(std::min<uint64_t>(time, std::numeric_limits<TFileStamp>::max()));
    const int64_t size =
        static_cast<int64_t>((static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    return {stamp != 0 ? stamp : 1, size};
}
