#pragma once
// The settings of section "Config", read at start; window bounds and the logo path are
// written back on exit, and the console changes and saves the web keys and ClassView as the
// operator sets them. Every key, with its kind, default and the values the program applies,
// is one line of the settings table in config.cpp.

#include "core/platform/colornames.h"
#include "core/platform/filechk.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

/// A window bound that keeps the window's designed value.
constexpr int32_t Unset = 0x7FFFFFFF;

/// The values a setting may take to be applied; a window keeps its own value otherwise.
struct TIntBounds {
    int32_t Min;
    int32_t Max;
    bool Contains(int32_t value) const { return value >= Min && value <= Max; }
    int32_t Clamp(int32_t value) const { return std::clamp(value, Min, Max); }
};

struct TKestruneConfig {
    /// Every key at its default from the settings table.
    TKestruneConfig();

    int32_t WindowX;
    int32_t WindowY;
    int32_t WindowW;
    int32_t WindowH;
    int32_t Stats1X;
    int32_t Stats1Y;
    int32_t Stats1H;
    int32_t Stats1W;
    int32_t MsgX;
    int32_t MsgY;
    int32_t MsgW;
    int32_t MsgH;
    int32_t Stats1FontSize;
    bool Stats1FontBold;
    TColor Stats1FontInPitColor;
    int32_t Stats1NameLength;
    bool Stats1DrawMinutes;
    int32_t MsgFontSize;
    std::string Folder;
    /// The browser sources' port (0 = no web server) and the address it listens on (empty
    /// means 127.0.0.1, this PC only).
    int32_t WebPort;
    std::string WebAddress;
    /// Further names by which other PCs reach the web server, separated by commas or spaces.
    std::string WebHosts;
    /// The token of the control calls, and the one other PCs read the pages and data with;
    /// made at first start.
    std::string WebToken;
    std::string WebReadToken;
    /// How the live folder is followed: "auto", "on" (polling) or "off" (notification).
    TFolderPolling FolderPolling;
    /// The tower shows each car's class (colour, place in the class, gap to the class leader)
    /// and the strips rank within each class.
    bool ClassView;
    /// Section [ClassColors]: a colour for each class named there, in file order; other classes
    /// take the palette's.
    std::vector<std::pair<std::string, TColor>> ClassColors;
};

/// The bounds of an integer key of the settings table ("Stats1FontSize", ...): a font size
/// outside them is not applied, a name length is measured within them.
TIntBounds SettingBounds(const std::string& key);

/// What loading found: the settings, the logo path and the errors to show the operator.
struct TConfigLoad {
    TKestruneConfig Config;
    std::string Logo;
    std::vector<std::string> Errors;
};

/// Left, top, outer width and outer height of a window.
struct TWindowBounds {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
};

/// The configuration file for a program at `programPath`: the program path with its extension
/// replaced by ".ini" (appended when it has none). When that folder cannot be written and no
/// file exists there, `$XDG_CONFIG_HOME/kestrune/kestrune.ini` (default ~/.config/...).
std::string ConfigFileNameFor(const std::string& programPath);

/// ConfigFileNameFor the running program.
std::string ConfigFileName();

/// Reads the keys of section "Config". Never throws: a bad colour value is reported in
/// Errors and the key keeps its default, so the other settings still load; so is a file that
/// exists but cannot be read (too large, no permission, ...), with the system's reason.
TConfigLoad LoadConfig(const std::string& path);

/// Writes `folder` as the live folder (key Folder) into the file's text and replaces the file
/// once; fails as SaveConfig does, leaving the file as it was.
void SaveFolder(const std::string& path, const std::string& folder);
/// Writes keys of [Config] in place, with one replacement of the file, as SaveFolder does.
void SaveConfigValues(const std::string& path,
                      const std::vector<std::pair<std::string, std::string>>& values);

/// Writes the twelve bounds and the logo path, in that order, into the file's text and replaces
/// the file once. Throws std::runtime_error "<path> に書き込めません: <reason>" when the file
/// cannot be read or written (it is then left as it was; a read-only file is never replaced),
/// and when a value cannot be stored on one line (the other keys are still written). Only the
/// per-user fallback's folder is made when missing; a path in any other missing folder fails
/// like an unwritable one.
void SaveConfig(const std::string& path, const TWindowBounds& mainWindow,
                const TWindowBounds& stats1Window, const TWindowBounds& msgWindow,
                const std::string& logoPath);
