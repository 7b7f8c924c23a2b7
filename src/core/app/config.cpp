#include "core/app/config.h"

#include "core/platform/intvalue.h"
#include "core/platform/localetext.h"
#include "core/platform/profile.h"
#include "core/platform/programplace.h"
#include "core/platform/utf8path.h"

#include <filesystem>
#include <map>
#include <stdexcept>
#include <variant>

namespace {

constexpr const char* ConfigSection = "Config";

struct IntKey {
    int32_t TKestruneConfig::*field;
    /// A window's width or height: 0 or less cannot be shown (a hidden 1-pixel window) and
    /// means the designed size, as an absent value does.
    bool windowSize = false;
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
    /// The default of an integer, flag (0/1) or colour; texts default to empty, polling to auto.
    int64_t defaultValue;
    /// The values the program applies; an integer outside them is kept but not used as such.
    TIntBounds bounds;
    /// Written back on exit.
    bool saved;
};

constexpr TIntBounds AnyInt{INT32_MIN, INT32_MAX};
/// Smaller is unreadable on air, larger no longer fits the windows' rows.
constexpr TIntBounds FontPoints{9, 32};
/// The name column is measured for at most this many bytes: a wider column than any screen
/// changes nothing on screen, and an absurd length must not exhaust memory.
constexpr TIntBounds NameBytes{0, 1024};

/// 0 turns the web server off.
constexpr TIntBounds PortNumbers{0, 65535};

/// Every key in the order it is read, and the saved ones in the order they are written.
using C = TKestruneConfig;

// clang-format off
const Setting Settings[] = {
    // key                   kind                                    default bounds      saved
    {"WindowX",              IntKey{&C::WindowX},                    Unset,  AnyInt,     true},
    {"WindowY",              IntKey{&C::WindowY},                    Unset,  AnyInt,     true},
    {"WindowW",              IntKey{&C::WindowW, true},              Unset,  AnyInt,     true},
    {"WindowH",              IntKey{&C::WindowH, true},              Unset,  AnyInt,     true},
    {"Stats1FontSize",       IntKey{&C::Stats1FontSize},             14,     FontPoints, false},
    {"Stats1FontBold",       BoolKey{&C::Stats1FontBold},            1,      AnyInt,     false},
    {"Stats1X",              IntKey{&C::Stats1X},                    Unset,  AnyInt,     true},
    {"Stats1Y",              IntKey{&C::Stats1Y},                    Unset,  AnyInt,     true},
    {"Stats1W",              IntKey{&C::Stats1W, true},              Unset,  AnyInt,     true},
    {"Stats1H",              IntKey{&C::Stats1H, true},              Unset,  AnyInt,     true},
    {"Stats1FontInPitColor", ColorKey{&C::Stats1FontInPitColor},     clRed,  AnyInt,     false},
    {"Stats1NameLength",     IntKey{&C::Stats1NameLength},           5,      NameBytes,  false},
    {"Stats1DrawMinutes",    BoolKey{&C::Stats1DrawMinutes},         1,      AnyInt,     false},
    {"MsgFontSize",          IntKey{&C::MsgFontSize},                12,     FontPoints, false},
    {"MsgX",                 IntKey{&C::MsgX},                       Unset,  AnyInt,     true},
    {"MsgY",                 IntKey{&C::MsgY},                       Unset,  AnyInt,     true},
    {"MsgW",                 IntKey{&C::MsgW, true},                 Unset,  AnyInt,     true},
    {"MsgH",                 IntKey{&C::MsgH, true},                 Unset,  AnyInt,     true},
    {"Folder",               TextKey{&C::Folder},                    0,      AnyInt,     false},
    {"Logo",                 LogoKey{},                              0,      AnyInt,     true},
    {"FolderPolling",        PollingKey{},                           0,      AnyInt,     false},
    {"WebPort",              IntKey{&C::WebPort},                    0,      PortNumbers, false},
    {"WebAddress",           TextKey{&C::WebAddress},                0,      AnyInt,     false},
    {"WebHosts",             TextKey{&C::WebHosts},                  0,      AnyInt,     false},
    {"WebToken",             TextKey{&C::WebToken},                  0,      AnyInt,     false},
    {"WebReadToken",         TextKey{&C::WebReadToken},              0,      AnyInt,     false},
    {"ClassView",            BoolKey{&C::ClassView},                 0,      AnyInt,     false},
};
// clang-format on

/// Sets one key of `config` to its default.
struct ApplyDefault {
    TKestruneConfig& config;
    int64_t value;

    void operator()(IntKey k) const { config.*k.field = static_cast<int32_t>(value); }
    void operator()(BoolKey k) const { config.*k.field = value != 0; }
    void operator()(ColorKey k) const { config.*k.field = static_cast<TColor>(value); }
    void operator()(TextKey k) const { (config.*k.field).clear(); }
    void operator()(LogoKey) const {}
    void operator()(PollingKey) const { config.FolderPolling = TFolderPolling::Auto; }
};

/// The text a saved key is written with.
struct SavedText {
    const TKestruneConfig& config;
    const std::string& logo;

    std::string operator()(IntKey k) const { return std::to_string(config.*k.field); }
    std::string operator()(LogoKey) const { return logo; }
    /// A kind with no text of its own must not be marked as written back: it would blank the
    /// key in the file.
    template <typename Other> std::string operator()(Other) const {
        throw std::logic_error("a setting of this kind is not written back");
    }
};

/// Applies one present value to the loaded settings.
struct ApplyValue {
    TConfigLoad& load;
    const std::string& value;

    void operator()(IntKey k) const {
        const std::optional<int32_t> number = ParseIntValue(value);
        if (number && (!k.windowSize || *number > 0)) {
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
    std::filesystem::path path = Utf8Path(programPath);
    path.replace_extension(".ini");
    return PathText(path);
}

std::runtime_error WriteError(const std::string& path, const std::string& reason) {
    return std::runtime_error(path + " に書き込めません: " + reason);
}

/// A class whose colour cannot be read takes the palette's, and the operator is told.
void LoadClassColors(std::string_view text, TConfigLoad& load) {
    for (const TProfileEntry& entry : ProfileSection(text, "ClassColors")) {
        if (const std::optional<TColor> color = ColorFromText(entry.Value)) {
            load.Config.ClassColors.emplace_back(entry.Key, *color);
        } else {
            load.Errors.push_back("[ClassColors] " + entry.Key + "='" + entry.Value +
                                  "' is not a colour; the class takes one of the palette");
        }
    }
}

} // namespace

TKestruneConfig::TKestruneConfig() {
    for (const Setting& setting : Settings) {
        std::visit(ApplyDefault{*this, setting.defaultValue}, setting.kind);
    }
}

TIntBounds SettingBounds(const std::string& key) {
    for (const Setting& setting : Settings) {
        if (key == setting.key) {
            return setting.bounds;
        }
    }
    throw std::invalid_argument("no setting " + key);
}

std::string ConfigFileNameFor(const std::string& programPath) {
    const std::string beside = WithIniExtension(programPath);
    std::error_code error;
    if (std::filesystem::exists(Utf8Path(beside), error)) {
        return beside;
    }
    std::string folder = PathText(Utf8Path(beside).parent_path());
    if (folder.empty()) {
        folder = ".";
    }
    if (SettingsMayLiveIn(folder)) {
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
    LoadClassColors(text, load);
    return load;
}

/// The fallback folder under the user's home may not exist yet; any other missing folder is a
/// path that cannot be written, reported rather than made.
static void MakeUserConfigFolder(const std::string& path) {
    if (path == UserConfigFile()) {
        std::error_code ignored;
        std::filesystem::create_directories(Utf8Path(path).parent_path(), ignored);
    }
}

/// Whether a configuration text holds a web token: anyone who reads it may control the show.
static bool HoldsToken(const std::string& text) {
    for (const char* key : {"WebToken", "WebReadToken"}) {
        const auto token = ProfileValue(text, ConfigSection, key);
        if (token && !token->empty()) {
            return true;
        }
    }
    return false;
}

void SaveConfigValues(const std::string& path,
                      const std::vector<std::pair<std::string, std::string>>& values) {
    MakeUserConfigFolder(path);
    try {
        std::string text = ReadProfileForUpdate(path);
        for (const auto& [key, value] : values) {
            text = WithProfileValue(text, ConfigSection, key, value);
        }
        ReplaceProfileFile(path, text, HoldsToken(text));
    } catch (const std::exception& e) {
        throw WriteError(path, e.what());
    }
}

void SaveFolder(const std::string& path, const std::string& folder) {
    SaveConfigValues(path, {{"Folder", folder}});
}

void SaveConfig(const std::string& path, const TWindowBounds& mainWindow,
                const TWindowBounds& stats1Window, const TWindowBounds& msgWindow,
                const std::string& logoPath) {
    MakeUserConfigFolder(path);
    TKestruneConfig bounds;
    const auto take = [](const TWindowBounds& from, int32_t& x, int32_t& y, int32_t& w,
                         int32_t& h) {
        x = from.Left;
        y = from.Top;
        w = from.Width;
        h = from.Height;
    };
    take(mainWindow, bounds.WindowX, bounds.WindowY, bounds.WindowW, bounds.WindowH);
    take(stats1Window, bounds.Stats1X, bounds.Stats1Y, bounds.Stats1W, bounds.Stats1H);
    take(msgWindow, bounds.MsgX, bounds.MsgY, bounds.MsgW, bounds.MsgH);

    std::string text;
    try {
        text = ReadProfileForUpdate(path);
    } catch (const std::exception& e) {
        throw WriteError(path, e.what());
    }
    // A value that cannot be stored costs only its own key: the others are still written.
    std::string unstorable;
    for (const Setting& setting : Settings) {
        if (!setting.saved) {
            continue;
        }
        try {
            text = WithProfileValue(text, ConfigSection, setting.key,
                                    std::visit(SavedText{bounds, logoPath}, setting.kind));
        } catch (const std::invalid_argument& e) {
            if (unstorable.empty()) {
                unstorable = e.what();
            }
        }
    }
    try {
        ReplaceProfileFile(path, text, HoldsToken(text));
    } catch (const std::exception& e) {
        throw WriteError(path, e.what());
    }
    if (!unstorable.empty()) {
        throw WriteError(path, unstorable);
    }
}
