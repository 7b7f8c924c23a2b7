#include "core/platform/folderwatch.h"

#include "core/platform/filechk.h"
#include "core/platform/windows/wintext.h"

#include <algorithm>
#include <optional>

namespace {

/// Names, sizes, write times and attributes of the files directly in the folder.
constexpr DWORD ChangeFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE |
                               FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_ATTRIBUTES;
/// How often a watched folder is checked to be the same directory, and looked at anyway.
constexpr DWORD IdentityCheckMs = 1000;
/// Changes are only counted, never read one by one; a share takes at most 64 KiB.
constexpr DWORD NotifyBufferBytes = 64 * 1024;

/// Which directory a path names: a folder deleted and made again is another one.
struct TFolderId {
    DWORD Volume = 0;
    DWORD IndexHigh = 0;
    DWORD IndexLow = 0;
    bool operator==(const TFolderId&) const = default;
};

TUniqueHandle OpenFolder(const std::string& folder, DWORD access, DWORD flags) {
    return TUniqueHandle(::CreateFileW(
        WideText(folder).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr));
}

std::optional<TFolderId> FolderIdOf(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return std::nullopt;
    }
    return TFolderId{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

std::optional<TFolderId> FolderIdOf(const std::string& folder) {
    if (folder.empty()) {
        return std::nullopt;
    }
    const TUniqueHandle handle = OpenFolder(folder, FILE_READ_ATTRIBUTES, 0);
    return handle.Valid() ? FolderIdOf(handle.Get()) : std::nullopt;
}

} // namespace

struct TWakeUp::TImpl {
    TUniqueHandle Event{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

TWakeUp::TWakeUp() : Impl(std::make_unique<TImpl>()) {}
TWakeUp::~TWakeUp() = default;

bool TWakeUp::Valid() const {
    return Impl->Event.Valid();
}

void TWakeUp::Raise() {
    ::SetEvent(Impl->Event.Get()); // manual reset: it stays raised for every later wait
}

TWait TWakeUp::Pause(int ms) const {
    switch (::WaitForSingleObject(Impl->Event.Get(), static_cast<DWORD>(ms < 0 ? 0 : ms))) {
    case WAIT_OBJECT_0:
        return TWait::Stopped;
    case WAIT_TIMEOUT:
        return TWait::Changed;
    default:
        return TWait::Ended;
    }
}

struct TFolderWatch::TImpl {
    std::string Folder;
    TUniqueHandle Handle;
    TUniqueHandle Done{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    OVERLAPPED Overlapped{};
    TFolderId Id;
    bool Pending = false;
    /// DWORD-aligned, as the notification records must be.
    alignas(DWORD) unsigned char Buffer[NotifyBufferBytes];

    /// Asks for the next changes. The system keeps what happens between two requests on the
    /// open handle, so nothing is lost while the watcher pauses.
    bool Request() {
        ::ResetEvent(Done.Get());
        Overlapped = OVERLAPPED{};
        Overlapped.hEvent = Done.Get();
        Pending = ::ReadDirectoryChangesW(Handle.Get(), Buffer, sizeof Buffer, FALSE, ChangeFilter,
                                          nullptr, &Overlapped, nullptr) != 0;
        return Pending;
    }

    /// The request that just completed: Changed, or Ended when it failed.
    TWait Finish() {
        DWORD bytes = 0;
        const bool ok = ::GetOverlappedResult(Handle.Get(), &Overlapped, &bytes, FALSE) != 0;
        Pending = false;
        // No bytes, or ERROR_NOTIFY_ENUM_DIR: too many changes to list; something changed.
        if (!ok && ::GetLastError() != ERROR_NOTIFY_ENUM_DIR) {
            return TWait::Ended;
        }
        return Request() ? TWait::Changed : TWait::Ended;
    }

    /// True when the folder was deleted while it is held open here: it then goes only when
    /// this handle is closed.
    bool DeletePending() const {
        FILE_STANDARD_INFO info{};
        return ::GetFileInformationByHandleEx(Handle.Get(), FileStandardInfo, &info, sizeof info) &&
               info.DeletePending;
    }

    ~TImpl() {
        // The system writes into Buffer until the request has completed, cancelled or not.
        if (Pending) {
            ::CancelIoEx(Handle.Get(), &Overlapped);
            DWORD bytes = 0;
            ::GetOverlappedResult(Handle.Get(), &Overlapped, &bytes, TRUE);
        }
    }
};

TFolderWatch::TFolderWatch(const std::string& folder) : Impl(std::make_unique<TImpl>()) {
    Impl->Folder = folder;
    if (folder.empty() || !Impl->Done.Valid()) {
        return;
    }
    TUniqueHandle handle = OpenFolder(folder, FILE_LIST_DIRECTORY, FILE_FLAG_OVERLAPPED);
    const std::optional<TFolderId> id = handle.Valid() ? FolderIdOf(handle.Get()) : std::nullopt;
    if (!id) {
        return;
    }
    Impl->Handle = std::move(handle);
    Impl->Id = *id;
    if (!Impl->Request()) {
        Impl->Handle.Close();
    }
}

TFolderWatch::~TFolderWatch() = default;

bool TFolderWatch::Valid() const {
    return Impl->Handle.Valid();
}

TWait TFolderWatch::WaitForChange(const TWakeUp& stop) {
    return WaitForChange(stop, -1);
}

TWait TFolderWatch::WaitForChange(const TWakeUp& stop, int timeoutMs) {
    if (!Impl->Pending && !Impl->Request()) {
        return TWait::Ended;
    }
    const bool shortWait = timeoutMs >= 0 && static_cast<DWORD>(timeoutMs) < IdentityCheckMs;
    const HANDLE events[2] = {stop.Impl->Event.Get(), Impl->Done.Get()};
    const DWORD woke = ::WaitForMultipleObjects(
        2, events, FALSE, shortWait ? static_cast<DWORD>(timeoutMs) : IdentityCheckMs);
    if (woke == WAIT_OBJECT_0) {
        return TWait::Stopped;
    }
    if (woke == WAIT_OBJECT_0 + 1) {
        return Impl->Finish();
    }
    if (woke != WAIT_TIMEOUT) {
        return TWait::Ended;
    }
    if (shortWait) {
        return TWait::Nothing; // the request stays pending for the next wait
    }
    // A folder deleted, renamed away or replaced raises nothing certain on every system.
    if (Impl->DeletePending() || FolderIdOf(Impl->Folder) != Impl->Id) {
        return TWait::Ended;
    }
    // The system may report a write to a file held open only when it reaches the disk: a
    // look once a second (the reload cycle compares the stamp, size and bytes) bounds that.
    return TWait::Changed;
}

bool IsFolder(const std::string& folder) {
    return FolderIdOf(folder).has_value();
}

bool FolderNeedsPolling(const std::string& folder) {
    // Shares report only what this machine wrote, or nothing, on some servers.
    wchar_t root[MAX_PATH + 1] = {};
    if (folder.empty() || !::GetVolumePathNameW(WideText(folder).c_str(), root,
                                                static_cast<DWORD>(std::size(root)))) {
        return false;
    }
    return ::GetDriveTypeW(root) == DRIVE_REMOTE;
}
