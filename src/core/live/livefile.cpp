#include "live/livefile.h"

#include "platform/numbers.h"
#include "platform/readfile.h"

#include <algorithm>
#include <cstring>

std::string LiveFileName;
std::vector<TSlot> LiveSlots;
TGameSession LiveSession;

namespace {

enum class SlotKey {
    Driver,
    Vehicle,
    VehicleClass,
    Position,
    Laps,
    InSector,
    BestLap,
    LastLap,
    BestSectors,
    LastLapSectors,
    Sectors,
    Pitstops,
    InPits,
    TimeGapToLider,
    LapGapToLider,
    TimeGapToPrev,
    LapGapToPrev,
    LapDistanceTravelled,
    FinishStatus,
    Lap,
    None
};

enum class SessionKey {
    Scene,
    TrackLength,
    SessionTime,
    LengthLaps,
    AmbientTemp,
    TrackTemp,
    Session,
    GamePhase,
    YellowFlag,
    None
};

template <typename Key> struct KeyName {
    std::string_view name; // without the "="
    Key key;
};

constexpr KeyName<SlotKey> SlotKeys[] = {
    {"Driver", SlotKey::Driver},
    {"Vehicle", SlotKey::Vehicle},
    {"VehicleClass", SlotKey::VehicleClass},
    {"Position", SlotKey::Position},
    {"Laps", SlotKey::Laps},
    {"InSector", SlotKey::InSector},
    {"BestLap", SlotKey::BestLap},
    {"LastLap", SlotKey::LastLap},
    {"BestSectors", SlotKey::BestSectors},
    {"LastLapSectors", SlotKey::LastLapSectors},
    {"Sectors", SlotKey::Sectors},
    {"Pitstops", SlotKey::Pitstops},
    {"InPits", SlotKey::InPits},
    {"TimeGapToLider", SlotKey::TimeGapToLider},
    {"LapGapToLider", SlotKey::LapGapToLider},
    {"TimeGapToPrev", SlotKey::TimeGapToPrev},
    {"LapGapToPrev", SlotKey::LapGapToPrev},
    {"LapDistanceTravelled", SlotKey::LapDistanceTravelled},
    {"FinishStatus", SlotKey::FinishStatus},
    {"Lap", SlotKey::Lap},
};

constexpr KeyName<SessionKey> SessionKeys[] = {
    {"Scene", SessionKey::Scene},
    {"TrackLength", SessionKey::TrackLength},
    {"SessionTime", SessionKey::SessionTime},
    {"LengthLaps", SessionKey::LengthLaps},
    {"AmbientTemp", SessionKey::AmbientTemp},
    {"TrackTemp", SessionKey::TrackTemp},
    {"Session", SessionKey::Session},
    {"GamePhase", SessionKey::GamePhase},
    {"YellowFlag", SessionKey::YellowFlag},
};

/// Every key ends with its only "=", so the line begins with a key exactly when the text before
/// the line's first "=" is that key's name: one lookup instead of a prefix test per key.
template <typename Key, std::size_t N>
Key FindKey(const KeyName<Key> (&table)[N], std::string_view name, Key none) {
    for (const KeyName<Key>& entry : table) {
        // Length and first byte first: most keys differ there, and a call to memcmp costs more
        // than the whole comparison of a short key.
        if (entry.name.size() == name.size() && entry.name[0] == name[0] &&
            std::memcmp(entry.name.data(), name.data(), name.size()) == 0) {
            return entry.key;
        }
    }
    return none;
}

int32_t ToInt(std::string_view text) {
    return ParseDecimalInt(text).value_or(0);
}

float ToSlotFloat(std::string_view text) {
    return ParseDecimalFloat(text).value_or(-1.0f);
}

void FillSlot(TSlot& slot, SlotKey key, std::string_view value) {
    switch (key) {
    case SlotKey::Driver:
        slot.Driver.assign(value);
        break;
    case SlotKey::Vehicle:
        slot.Vehicle.assign(value);
        break;
    case SlotKey::VehicleClass:
        slot.VehicleClass.assign(value);
        break;
    case SlotKey::Position:
        slot.Position = ToInt(value);
        break;
    case SlotKey::Laps:
        slot.Laps = ToInt(value);
        break;
    case SlotKey::InSector:
        slot.InSector = ToInt(value);
        break;
    case SlotKey::BestLap:
        slot.BestLap = ToSlotFloat(value);
        break;
    case SlotKey::LastLap:
        slot.LastLap = ToSlotFloat(value);
        break;
    case SlotKey::BestSectors:
        ParseTriple(value, slot.BestSectors);
        break;
    case SlotKey::LastLapSectors:
        ParseTriple(value, slot.LastLapSectors);
        break;
    case SlotKey::Pitstops:
        slot.Pitstops = ToInt(value);
        break;
    case SlotKey::InPits:
        slot.InPits = ToInt(value);
        break;
    case SlotKey::TimeGapToLider:
        slot.TimeGapToLider = ToSlotFloat(value);
        break;
    case SlotKey::LapGapToLider:
        slot.LapGapToLider = ToInt(value);
        break;
    case SlotKey::TimeGapToPrev:
        slot.TimeGapToPrev = ToSlotFloat(value);
        break;
    case SlotKey::LapGapToPrev:
        slot.LapGapToPrev = ToInt(value);
        break;
    case SlotKey::LapDistanceTravelled:
        slot.LapDistanceTravelled = ParseDecimalDouble(value).value_or(-1.0);
        break;
    case SlotKey::FinishStatus:
        slot.FinishStatus.assign(value);
        break;
    case SlotKey::Sectors:
    case SlotKey::Lap:
    case SlotKey::None:
        break; // recognised or unknown, and not kept
    }
}

void FillSession(TGameSession& session, SessionKey key, std::string_view value) {
    switch (key) {
    case SessionKey::Scene:
        session.Scene.assign(value);
        break;
    case SessionKey::TrackLength:
        session.TrackLength = ParseDecimalDouble(value).value_or(0.0);
        break;
    case SessionKey::SessionTime:
        session.SessionTime = ParseDecimalDouble(value).value_or(0.0);
        break;
    case SessionKey::LengthLaps:
        session.LengthLaps = ToInt(value);
        break;
    case SessionKey::AmbientTemp:
        session.AmbientTemp = ParseDecimalFloat(value).value_or(0.0f);
        break;
    case SessionKey::TrackTemp:
        session.TrackTemp = ParseDecimalFloat(value).value_or(0.0f);
        break;
    case SessionKey::Session:
        session.Session.assign(value);
        break;
    case SessionKey::GamePhase:
        session.GamePhase.assign(value);
        break;
    case SessionKey::YellowFlag:
        session.YellowFlag.assign(value);
        break;
    case SessionKey::None:
        break;
    }
}

enum class Section { None, Session, Slot };

/// A fresh slot that keeps the memory its strings already hold.
void ResetSlot(TSlot& slot) {
    std::string driver = std::move(slot.Driver);
    std::string vehicle = std::move(slot.Vehicle);
    std::string vehicleClass = std::move(slot.VehicleClass);
    TFinishWord finishStatus = std::move(slot.FinishStatus);
    slot = TSlot{};
    driver.clear();
    vehicle.clear();
    vehicleClass.clear();
    finishStatus.clear();
    slot.Driver = std::move(driver);
    slot.Vehicle = std::move(vehicle);
    slot.VehicleClass = std::move(vehicleClass);
    slot.FinishStatus = std::move(finishStatus);
}

bool StartsWith(std::string_view line, std::string_view prefix) {
    return line.size() >= prefix.size() &&
           std::memcmp(line.data(), prefix.data(), prefix.size()) == 0;
}

} // namespace

void ParseTriple(std::string_view value, std::array<float, 3>& triple) {
    // The enclosing characters (usually brackets) are dropped, whatever they are.
    std::string_view list =
        value.size() >= 2 ? value.substr(1, value.size() - 2) : std::string_view{};
    triple = {-1.0f, -1.0f, -1.0f};
    const std::size_t first = list.find(',');
    if (first == std::string_view::npos) {
        return;
    }
    triple[0] = ToSlotFloat(list.substr(0, first));
    const std::size_t second = list.find(',', first + 1);
    if (second == std::string_view::npos) {
        return;
    }
    triple[1] = ToSlotFloat(list.substr(first + 1, second - first - 1));
    triple[2] = ToSlotFloat(list.substr(second + 1));
}

void ParseLiveText(std::string_view text, std::vector<TSlot>& slots, TGameSession& session) {
    // Slots of the previous reading are reset and reused, so their strings keep their memory.
    std::size_t count = 0;
    const std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos) {
        text = text.substr(0, nul);
    }

    Section section = Section::None;
    const char* p = text.data();
    const char* const end = p + text.size();
    // Next LF and next CR at or after p, each found once per occurrence: memchr is far faster
    // than a byte loop, and caching keeps a file of lone CRs linear.
    const auto findFrom = [end](const char* from, char c) {
        const void* hit = std::memchr(from, c, static_cast<std::size_t>(end - from));
        return hit != nullptr ? static_cast<const char*>(hit) : end;
    };
    const char* nextLf = findFrom(p, '\n');
    const char* nextCr = findFrom(p, '\r');
    while (p < end) {
        if (nextLf < p) {
            nextLf = findFrom(p, '\n');
        }
        if (nextCr < p) {
            nextCr = findFrom(p, '\r');
        }
        const char* lineEnd = std::min(nextLf, nextCr);
        const std::string_view line(p, static_cast<std::size_t>(lineEnd - p));
        // CR, LF and CR LF each end one line.
        p = lineEnd;
        if (p < end) {
            if (*p == '\r' && p + 1 < end && p[1] == '\n') {
                ++p;
            }
            ++p;
        }

        if (line.empty() || line.front() == '/') {
            continue;
        }
        if (line.front() == '[') {
            if (StartsWith(line, "[Header]")) {
                section = Section::None;
            } else if (StartsWith(line, "[Session]")) {
                section = Section::Session;
            } else if (StartsWith(line, "[Slot")) {
                if (count < slots.size()) {
                    ResetSlot(slots[count]);
                } else {
                    slots.emplace_back();
                }
                ++count;
                section = Section::Slot;
            }
            continue; // "[END]" and unknown sections leave the current section as it is
        }
        if (section == Section::None) {
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            continue;
        }
        const std::string_view name = line.substr(0, eq);
        const std::string_view value = line.substr(eq + 1);
        if (section == Section::Slot) {
            FillSlot(slots[count - 1], FindKey(SlotKeys, name, SlotKey::None), value);
        } else {
            FillSession(session, FindKey(SessionKeys, name, SessionKey::None), value);
        }
    }
    slots.resize(count);
}

bool EndsWithEndSection(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    const std::size_t last = text.find_last_not_of("\r\n");
    if (last == std::string_view::npos) {
        return false;
    }
    text = text.substr(0, last + 1);
    const std::size_t lineStart = text.find_last_of("\r\n");
    return StartsWith(text.substr(lineStart == std::string_view::npos ? 0 : lineStart + 1),
                      "[END]");
}

std::string ReadLiveFile() {
    try {
        return ReadWholeFile(LiveFileName, MaxLiveFileSize);
    } catch (...) {
        LiveSlots.clear();
        throw;
    }
}

void ParseLiveFile() {
    ParseLiveText(ReadLiveFile(), LiveSlots, LiveSession);
}
