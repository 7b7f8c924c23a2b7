#pragma once
// Text across the Windows calls: paths and names are UTF-8 inside the program and wide
// (UTF-16) at the call; the system's error codes become readable reasons.

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>

/// UTF-8 to UTF-16; bytes that are not UTF-8 become U+FFFD rather than failing.
std::wstring WideText(std::string_view text);

/// UTF-16 to UTF-8.
std::string Utf8Text(std::wstring_view text);

/// The system's message for an error code, as UTF-8, e.g. "Access is denied. (5)".
std::string SystemErrorText(DWORD error);

/// An owned handle: closed exactly once, on every way out, and never copied. Holds both the
/// null and INVALID_HANDLE_VALUE failures of the calls as "no handle".
class TUniqueHandle {
  public:
    TUniqueHandle() = default;
    explicit TUniqueHandle(HANDLE handle) : Handle(handle) {}
    ~TUniqueHandle() { Close(); }
    TUniqueHandle(TUniqueHandle&& other) noexcept
        : Handle(std::exchange(other.Handle, INVALID_HANDLE_VALUE)) {}
    TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
        if (this != &other) {
            Close();
            Handle = std::exchange(other.Handle, INVALID_HANDLE_VALUE);
        }
        return *this;
    }
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;

    HANDLE Get() const { return Handle; }
    bool Valid() const { return Handle != INVALID_HANDLE_VALUE && Handle != nullptr; }
    /// Closes now; false when CloseHandle failed (a write error can first show there).
    bool Close() {
        const bool closed = !Valid() || ::CloseHandle(Handle) != 0;
        Handle = INVALID_HANDLE_VALUE;
        return closed;
    }

  private:
    HANDLE Handle = INVALID_HANDLE_VALUE;
};

/// Opens an existing file for reading without ever blocking the simulator's writer: it may
/// go on writing, renaming over or deleting the file while it is open here.
TUniqueHandle OpenForReading(const std::string& path);
