#include "core/platform/programplace.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

/// A folder the package manager owns: root could write there.
bool IsSystemFolder(const std::filesystem::path& folder) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(folder, error);
    const std::string text = (error ? folder : absolute).lexically_normal().string() + "/";
    for (const char* prefix : {"/usr/", "/bin/", "/sbin/", "/opt/"}) {
        if (text.rfind(prefix, 0) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string RunningProgramPath() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("kestrune") : self.string();
}

std::string UserConfigFile() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path base;
    if (xdg != nullptr && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base =
            std::filesystem::path(home != nullptr && home[0] != '\0' ? home : "/tmp") / ".config";
    }
    return (base / "kestrune" / "kestrune.ini").string();
}

bool SettingsMayLiveIn(const std::string& folder) {
    return ::access(folder.c_str(), W_OK) == 0 && !IsSystemFolder(folder);
}
