#include "app/config.h"

#include "platform/intvalue.h"
#include "platform/localetext.h"
#include "platform/profile.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <unistd.h>
#include <variant>

TKestruneConfig KestruneConfig;

namespace {

constexpr const char* ConfigSection = "Config";

struct IntKey {
    int32_t TKestruneConfig::*field;
};
struct BoolKey {
    bool TKestruneConfig::*field;
};
struct ColorKey {
    TColor TKestruneConfig::*field;
};
struct TextKey {
    std::string TKestruneConfig::*field;
};
struct LogoKey {};
struct PollingKey {};

struct Setting {
    const char* key;
    std::variant<IntKey, BoolKey, ColorKey, TextKey, LogoKey, PollingKey> kind;
};

/// Every key in the order it is read; defaults live in TKestruneConfig's initialisers.
const Setting Settings[] = {
    {"WindowX", IntKey{&TKestruneConfig::WindowX}},
    {"WindowY", IntKey{&TKestruneConfig::WindowY}},
    {"WindowW", IntKey{&TKestruneConfig::WindowW}},
    {"WindowH", IntKey{&TKestruneConfig::WindowH}},
    {"Stats1FontSize", IntKey{&TKestruneConfig::Stats1FontSize}},
    {"Stats1FontBold", BoolKey{&TKestruneConfig::Stats1FontBold}},
    {"Stats1X", IntKey{&TKestruneConfig::Stats1X}},
    {"Stats1Y", IntKey{&TKestruneConfig::Stats1Y}},
    {"Stats1W", IntKey{&TKestruneConfig::Stats1W}},
    {"Stats1H", IntKey{&TKestruneConfig::Stats1H}},
    {"Stats1FontInPitColor", ColorKey{&TKestruneConfig::Stats1FontInPitColor}},
    {"Stats1NameLength", IntKey{&TKestruneConfig::Stats1NameLength}},
    {"Stats1DrawMinutes", BoolKey{&TKestruneConfig::Stats1DrawMinutes}},
    {"MsgFontSize", IntKey{&TKestruneConfig::MsgFontSize}},
    {"MsgX", IntKey{&TKestruneConfig::MsgX}},
    {"MsgY", IntKey{&TKestruneConfig::MsgY}},
    {"MsgW", IntKey{&TKestruneConfig::MsgW}},
    {"MsgH", IntKey{&TKestruneConfig::MsgH}},
    {"Folder", TextKey{&TKestruneConfig::Folder}},
    {"Logo", LogoKey{}},
    {"FolderPolling", PollingKey{}},
};

/// Applies one present value to the loaded settings.
struct ApplyValue {
    TConfigLoad& load;
    const std::string& value;

    void operator()(IntKey k) const {
        if (std::optional<int32_t> number = ParseIntValue(value)) {
            load.Config.*k.field = *number;
        }
    }
    void operator()(BoolKey k) const {
        if (std::optional<int32_t> number = ParseIntValue(value)) {
            load.Config.*k.field = *number != 0;
        }
    }
    void operator()(ColorKey k) const {
        if (std::optional<TColor> color = ColorFromText(value)) {
            load.Config.*k.field = *color;
            return;
        }
        load.Errors.push_back("'" + value + "' は整数ではありません");
    }
    void operator()(TextKey k) const { load.Config.*k.field = value; }
    void operator()(LogoKey) const { load.Logo = value; }
    void operator()(PollingKey) const {
        const std::pair<const char*, TFolderPolling> modes[] = {{"auto", TFolderPolling::Auto},
                                                                {"on", TFolderPolling::On},
                                                                {"off", TFolderPolling::Off}};
        for (const auto& [name, mode] : modes) {
            if (EqualsIgnoreCase(value, name)) {
                load.Config.FolderPolling = mode;
                return;
            }
        }
        load.Errors.push_back("FolderPolling='" + value + "' is not auto, on or off; auto is used");
    }
};

std::string WithIniExtension(const std::string& programPath) {
    std::filesystem::path path(programPath);
    path.replace_extension(".ini");
    return path.string();
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

/// A folder the package manager owns: root could write there, but settings must not land
/// in /usr/bin, where no package owns them and removing the package leaves them behind.
bool IsSystemFolder(const std::filesystem::path& folder) {
    const std::string text = std::filesystem::absolute(folder).lexically_normal().string() + "/";
    for (const char* prefix : {"/usr/", "/bin/", "/sbin/", "/opt/"}) {
        if (text.rfind(prefix, 0) == 0) {
            return true;
        }
    }
    return false;
}

std::string RunningProgramPath() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("kestrune") : self.string();
}

void WriteKey(const std::string& path, const char* key, const std::string& value) {
    try {
        WriteProfileString(path, ConfigSection, key, value);
    } catch (const std::exception& e) {
        throw std::runtime_error(path + " に書き込めません: " + e.what());
    }
}

} // namespace

std::string ConfigFileNameFor(const std::string& programPath) {
    const std::string beside = WithIniExtension(programPath);
    std::error_code error;
    if (std::filesystem::exists(beside, error)) {
        return beside;
    }
    std::filesystem::path folder = std::filesystem::path(beside).parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    if (::access(folder.c_str(), W_OK) == 0 && !IsSystemFolder(folder)) {
        return beside;
    }
    return UserConfigFile();
}

std::string ConfigFileName() {
    return ConfigFileNameFor(RunningProgramPath());
}

TConfigLoad LoadConfig(const std::string& path) {
    TConfigLoad load;
    std::string error;
    const std::string text = ReadProfileFile(path, &error);
    if (!error.empty()) {
        load.Errors.push_back("The configuration file is not read, so every setting keeps its "
                              "default: " +
                              error);
    }
    std::map<std::u32string, std::string> values;
    for (TProfileEntry& entry : ProfileSection(text, ConfigSection)) {
        values.emplace(FoldCase(entry.Key), std::move(entry.Value));
    }
    for (const Setting& setting : Settings) {
        const auto value = values.find(FoldCase(setting.key));
        if (value == values.end()) {
            continue; // absent: the default stays
        }
        std::visit(ApplyValue{load, value->second}, setting.kind);
    }
    return load;
}

void SaveConfig(const std::string& path, const TWindowBounds& mainWindow,
                const TWindowBounds& stats1Window, const TWindowBounds& msgWindow,
                const std::string& logoPath) {
    // The fallback folder under the user's home may not exist yet; any other missing folder
    // is a path that cannot be written, reported rather than made.
    if (path == UserConfigFile()) {
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    }
    const struct {
        const char* prefix;
        const TWindowBounds& bounds;
    } windows[] = {{"Window", mainWindow}, {"Stats1", stats1Window}, {"Msg", msgWindow}};
    for (const auto& window : windows) {
        const std::string prefix = window.prefix;
        WriteKey(path, (prefix + "X").c_str(), std::to_string(window.bounds.Left));
        WriteKey(path, (prefix + "Y").c_str(), std::to_string(window.bounds.Top));
        WriteKey(path, (prefix + "W").c_str(), std::to_string(window.bounds.Width));
        WriteKey(path, (prefix + "H").c_str(), std::to_string(window.bounds.Height));
    }
    WriteKey(path, "Logo", logoPath);
}
