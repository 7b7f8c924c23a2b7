#include "core/platform/profile.h"

#include "core/platform/readfile.h"
#include "core/platform/windows/wintext.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

namespace {

[[noreturn]] void ThrowWriteError(const std::string& path, DWORD error) {
    throw std::runtime_error("Cannot write \"" + path + "\": " + SystemErrorText(error));
}

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_DIRECTORY;
}

void WriteAll(HANDLE file, const std::string& data, const std::string& path) {
    std::size_t done = 0;
    while (done < data.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 30));
        DWORD wrote = 0;
        if (!::WriteFile(file, data.data() + done, chunk, &wrote, nullptr)) {
            ThrowWriteError(path, ::GetLastError());
        }
        done += wrote;
    }
}

/// A name for the temporary file beside `path` that no other writer uses.
std::wstring TemporaryBeside(const std::string& path) {
    // Process-wide by necessity: names must differ between any two writers of this process.
    static std::atomic<unsigned> made{0};
    return WideText(path + "." + std::to_string(::GetCurrentProcessId()) + "-" +
                    std::to_string(made++) + ".tmp");
}

/// Renames `from` over `to`. A reader holding `to` open for a moment (a reading of this
/// program, an editor, a virus scanner) makes the rename fail even when it shares deletion, so
/// it is tried again for up to a second before the failure counts.
bool MoveOver(const std::wstring& from, const std::wstring& to) {
    constexpr int Attempts = 50;
    for (int attempt = 1;; ++attempt) {
        if (::MoveFileExW(from.c_str(), to.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        const DWORD error = ::GetLastError();
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) ||
            attempt == Attempts) {
            ::SetLastError(error);
            return false;
        }
        ::Sleep(20);
    }
}

} // namespace

std::string ReadProfileFile(const std::string& path, std::string* error) {
    try {
        return ReadWholeFile(path, MaxProfileFile);
    } catch (const std::exception& e) {
        // A missing file reads as empty, like a missing key; any other failure has a reason.
        const bool missing =
            ::GetFileAttributesW(WideText(path).c_str()) == INVALID_FILE_ATTRIBUTES &&
            IsMissing(::GetLastError());
        if (error != nullptr && !missing) {
            *error = e.what();
        }
        return {};
    }
}

std::string ReadProfileForUpdate(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(WideText(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (IsMissing(error)) {
            return {};
        }
        throw std::runtime_error("Cannot read file \"" + path + "\": " + SystemErrorText(error));
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        throw std::runtime_error("\"" + path + "\" is read-only (" +
                                 SystemErrorText(ERROR_ACCESS_DENIED) + "); it is left as it is");
    }
    // An existing file that cannot be read must not be replaced by one holding a single key.
    return ReadWholeFile(path, MaxProfileFile);
}

void ReplaceProfileFile(const std::string& path, const std::string& data, bool /*ownerOnly*/) {
    const std::wstring target = WideText(path);
    std::wstring temp;
    TUniqueHandle file;
    // A temporary left by a crashed process with the same id is stepped over, not reused.
    for (int attempt = 0; attempt < 100 && !file.Valid(); ++attempt) {
        temp = TemporaryBeside(path);
        file = TUniqueHandle(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid() && ::GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    if (!file.Valid()) {
        ThrowWriteError(path, ::GetLastError());
    }
    try {
        WriteAll(file.Get(), data, path);
        if (!::FlushFileBuffers(file.Get())) {
            ThrowWriteError(path, ::GetLastError());
        }
        if (!file.Close()) {
            ThrowWriteError(path, ::GetLastError());
        }
    } catch (...) {
        file.Close();
        ::DeleteFileW(temp.c_str());
        throw;
    }
    // One rename over the old file; ReplaceFileW would keep more of the old file's metadata
    // but fails on some systems where this succeeds.
    if (!MoveOver(temp, target)) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(temp.c_str());
        ThrowWriteError(path, error);
    }
}
