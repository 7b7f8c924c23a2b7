#include "tests/support/testfiles.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

bool RunningUnderWine() {
#ifdef _WIN32
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

bool SetWriteTime(const std::string& path, int64_t seconds, long nanoseconds) {
#ifdef _WIN32
    const HANDLE file = ::CreateFileW(Utf8Path(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    // 100 ns units since 1601.
    const uint64_t ticks = 116444736000000000ull + static_cast<uint64_t>(seconds) * 10000000ull +
                           static_cast<uint64_t>(nanoseconds) / 100u;
    const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    const bool set = ::SetFileTime(file, nullptr, &time, &time) != 0;
    ::CloseHandle(file);
    return set;
#else
    const timespec times[2] = {{static_cast<time_t>(seconds), nanoseconds},
                               {static_cast<time_t>(seconds), nanoseconds}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
#endif
}
