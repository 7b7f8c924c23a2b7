#pragma once
// Where the program runs from, and where a user's settings go when they cannot go beside it.

#include <string>

/// The running program's file, as UTF-8; "kestrune" when the system does not say.
std::string RunningProgramPath();

/// The user's own configuration file: $XDG_CONFIG_HOME/kestrune/kestrune.ini (default
/// ~/.config/kestrune/kestrune.ini), or %APPDATA%\Kestrune\kestrune.ini on Windows.
std::string UserConfigFile();

/// True when settings may be written into `folder`: it can be written, and it is not a
/// folder the system's installer owns (/usr/bin and the like, Program Files), where no
/// package owns them and removing the program would leave them behind.
bool SettingsMayLiveIn(const std::string& folder);
