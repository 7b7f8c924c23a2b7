#pragma once
// One reading of the live file: the cars (TSlot) and the session values (TGameSession).

#include "core/live/racewords.h"
#include "core/platform/numbers.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

/// One car in one snapshot. A key missing from its slot section leaves the field zero/empty;
/// a number that cannot be read takes the default noted in the parser (-1 for floats).
struct TSlot {
    std::string Driver;
    std::string Vehicle;
    std::string VehicleClass;
    int32_t Position = 0;
    int32_t Laps = 0;
    int32_t InSector = 0;
    float BestLap = 0.0f;
    float LastLap = 0.0f;
    std::array<float, 3> BestSectors{};
    std::array<float, 3> LastLapSectors{};
    int32_t Pitstops = 0;
    int32_t InPits = 0;
    float TimeGapToLider = 0.0f;
    int32_t LapGapToLider = 0;
    float TimeGapToPrev = 0.0f;
    int32_t LapGapToPrev = 0;
    double LapDistanceTravelled = 0.0;
    TFinishWord FinishStatus;
};

/// The session values of one snapshot.
struct TGameSession {
    std::string Scene;
    double TrackLength = 0.0;
    double SessionTime = 0.0;
    int32_t LengthLaps = 0;
    float AmbientTemp = 0.0f;
    float TrackTemp = 0.0f;
    TSessionWord Session;
    TPhaseWord GamePhase;
    std::string YellowFlag;
    /// Not in the file: the session seconds since the previous reading, kept by TPlayers.
    double SessionTimeDelta = 0.0;
};

/// Largest live file that is read at all; a real one is a few kilobytes, so anything bigger is
/// a wrong file in the folder and must not exhaust memory.
constexpr std::size_t MaxLiveFileSize = 64u * 1024u * 1024u;

/// Fills a three-float field from the value of a "BestSectors=" or "LastLapSectors=" line
/// (the value still carries its enclosing characters, e.g. "(31.2,30.1,29.8)"). Numbers take
/// "." or `separator` as their decimal separator.
void ParseTriple(std::string_view value, std::array<float, 3>& triple,
                 std::string_view separator = UserDecimalSeparator());

/// Parses a whole live file held in memory. `slots` is emptied and refilled in file order;
/// `session` is only overwritten field by field, so keys a file leaves out keep older values.
/// A zero byte ends the text. Numbers take "." or `separator` (the user's, which the plug-in
/// may write) as their decimal separator.
void ParseLiveText(std::string_view text, std::vector<TSlot>& slots, TGameSession& session,
                   std::string_view separator = UserDecimalSeparator());

/// True when the text's last line (a zero byte ends the text; empty lines at the end do not
/// count) is the "[END]" section line the writer puts last: a reading caught while the writer
/// is still busy lacks it.
bool EndsWithEndSection(std::string_view text);

/// The bytes of the live file at `path`. A file that cannot be opened or read, or is larger
/// than MaxLiveFileSize, throws std::runtime_error carrying the system's message.
std::string ReadLiveFile(const std::string& path);

/// Reads the live file at `path` into `slots` and `session` as ParseLiveText does. A file that
/// cannot be opened or read, or is larger than MaxLiveFileSize, throws std::runtime_error
/// carrying the system's message; `slots` is then empty and `session` untouched.
void ParseLiveFile(const std::string& path, std::vector<TSlot>& slots, TGameSession& session);
