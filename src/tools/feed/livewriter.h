#pragma once
// Putting live files on disk the way a simulator plug-in does, and naming them so that a
// follower that takes the name sorting last always takes the newest session.

#include "tools/feed/sessionkind.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

enum class WriteMode {
    InPlace, ///< truncate and rewrite: a reader may catch the file half written
    Atomic   ///< write a hidden temporary file and rename it over the live file
};

/// Local time as "YYYYMMDD-HHMMSS", the start of every file name of one run.
std::string ClockStamp(std::time_t when);

/// For example "20261207-190012-1-practice_live.txt"; `number` counts the run's sessions from
/// 1, so the sessions of a weekend sort in the order they were held.
std::string SessionFileName(std::string_view stamp, int number, SessionKind kind);

/// For example "snap-000042-1-race.txt": sorts in writing order and never ends in "_live.txt",
/// so a follower watching the same folder does not take it for a live file.
std::string SnapshotFileName(long count, int number, SessionKind kind);

/// The temporary name used by WriteMode::Atomic: hidden, and ending in ".tmp".
std::filesystem::path TemporaryPathFor(const std::filesystem::path& path);

/// Creates the folder if needed and checks that a file can be written in it; throws
/// std::runtime_error with a message naming the folder and the reason otherwise.
void PrepareFolder(const std::filesystem::path& folder);

/// Writes the whole text; throws std::runtime_error naming the file and the reason. An
/// in-place write with `spread` above zero goes out in ten parts cut at line ends, evenly over
/// that time, as a plug-in that writes line by line does.
void WriteWholeFile(const std::filesystem::path& path, std::string_view text, WriteMode mode,
                    std::chrono::milliseconds spread = std::chrono::milliseconds{0});
