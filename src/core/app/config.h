#pragma once
// The settings of section "Config", read once at start; window bounds and the logo path are
// written back on exit.

#include "live/filechk.h"
#include "platform/colornames.h"

#include <cstdint>
#include <string>
#include <vector>

/// A window bound that keeps the window's designed value.
constexpr int32_t Unset = 0x7FFFFFFF;

struct TKestruneConfig {
    int32_t WindowX = Unset;
    int32_t WindowY = Unset;
    int32_t WindowW = Unset;
    int32_t WindowH = Unset;
    int32_t Stats1X = Unset;
    int32_t Stats1Y = Unset;
    int32_t Stats1H = Unset;
    int32_t Stats1W = Unset;
    int32_t MsgX = Unset;
    int32_t MsgY = Unset;
    int32_t MsgW = Unset;
    int32_t MsgH = Unset;
    int32_t Stats1FontSize = 14;
    bool Stats1FontBold = true;
    TColor Stats1FontInPitColor = clRed;
    int32_t Stats1NameLength = 5;
    bool Stats1DrawMinutes = true;
    int32_t MsgFontSize = 12;
    std::string Folder;
    /// How the live folder is followed: "auto", "on" (polling) or "off" (notification).
    TFolderPolling FolderPolling = TFolderPolling::Auto;
};

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

/// The process-wide settings, filled once at start.
extern TKestruneConfig KestruneConfig;

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

/// Writes the twelve bounds and the logo path, in that order. Throws std::runtime_error
/// "<path> に書き込めません: <reason>" at the first key that cannot be written; later keys are
/// skipped and the file keeps its earlier content (a read-only file is left untouched). Only the
/// per-user fallback's folder is made when missing; a path in any other missing folder fails like
/// an unwritable one.
void SaveConfig(const std::string& path, const TWindowBounds& mainWindow,
                const TWindowBounds& stats1Window, const TWindowBounds& msgWindow,
                const std::string& logoPath);
