#include "core/platform/programplace.h"

#include "core/platform/windows/wintext.h"

#include <shlobj.h>

#include <cwctype>
#include <vector>

namespace {

/// A folder of the system's known ones, with a trailing backslash; "" when it has none.
std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    wchar_t* path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path)) && path != nullptr) {
        folder = path;
    }
    ::CoTaskMemFree(path);
    if (!folder.empty() && folder.back() != L'\\') {
        folder += L'\\';
    }
    return folder;
}

std::wstring Lowered(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return text;
}

/// Program Files and the Windows folder: an administrator may write there, but settings
/// would be lost to the installer and to virtualisation.
bool IsSystemFolder(const std::string& folder) {
    std::vector<wchar_t> full(MAX_PATH);
    const std::wstring wide = WideText(folder);
    DWORD length =
        ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length + 1);
        length =
            ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (length == 0) {
        return false;
    }
    const std::wstring path = Lowered(std::wstring(full.data(), length) + L"\\");
    for (REFKNOWNFOLDERID id :
         {FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX86, FOLDERID_Windows}) {
        const std::wstring system = Lowered(KnownFolder(id));
        if (!system.empty() && path.rfind(system, 0) == 0) {
            return true;
        }
    }
    return false;
}

/// Whether a file can be made in `folder`: the only sure answer under access control lists.
bool CanCreateFileIn(const std::string& folder) {
    const std::wstring probe =
        WideText(folder + "\\.kestrune-" + std::to_string(::GetCurrentProcessId()) + ".probe");
    const HANDLE file =
        ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    ::CloseHandle(file);
    return true;
}

} // namespace

std::string RunningProgramPath() {
    std::vector<wchar_t> path(MAX_PATH);
    while (true) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return "kestrune";
        }
        if (length < path.size()) {
            return Utf8Text(std::wstring_view(path.data(), length));
        }
        path.resize(path.size() * 2);
    }
}

std::string UserConfigFile() {
    std::wstring base = KnownFolder(FOLDERID_RoamingAppData);
    if (base.empty()) {
        wchar_t appData[MAX_PATH] = {};
        const DWORD length = ::GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH);
        base = length > 0 && length < MAX_PATH ? std::wstring(appData, length) + L"\\" : L".\\";
    }
    return Utf8Text(base) + "Kestrune\\kestrune.ini";
}

bool SettingsMayLiveIn(const std::string& folder) {
    return !IsSystemFolder(folder) && CanCreateFileIn(folder);
}
