#include "core/live/livefile.h"

#include "core/platform/bytewords.h"
#include "core/platform/numbers.h"
#include "core/platform/readfile.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <optional>

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

/// True when the line at `p` begins with `name` and "=", that is, when `name` is its key.
bool LineHasKey(const char* p, const char* end, std::string_view name) {
    return static_cast<std::size_t>(end - p) > name.size() && p[name.size()] == '=' &&
           SameBytes(p, name.data(), name.size());
}

/// The index in `table` of the key of the line at `p`; nullopt when it has none of them. Every
/// key ends with its only "=", so the line has a key exactly when the text before its first "="
/// is that key's name.
template <typename Key, std::size_t N>
std::optional<std::size_t> FindKeyAt(const KeyName<Key> (&table)[N], const char* p,
                                     const char* end) {
    const char* eq = p;
    while (eq < end && *eq != '=' && *eq != '\r' && *eq != '\n') {
        ++eq;
    }
    if (eq == end || *eq != '=') {
        return std::nullopt;
    }
    const std::string_view name(p, static_cast<std::size_t>(eq - p));
    for (std::size_t i = 0; i < N; ++i) {
        if (table[i].name == name) {
            return i;
        }
    }
    return std::nullopt;
}

int32_t ToInt(std::string_view text) {
    return ParseDecimalInt(text).value_or(0);
}

/// The decimal separator when it is the point, the usual case: an empty type, so the parse for
/// it carries no separator at all from line to line (a separator argument cost the parse 4 %).
struct TPointOnly {
    operator std::string_view() const { return "."; }
};

float ToSlotFloat(std::string_view text, std::string_view separator) {
    return ParseDecimalFloat(text, separator).value_or(-1.0f);
}

bool IsLineEndByte(char c) {
    return c == '\r' || c == '\n';
}

/// The end of the line that starts at or before `p`: its first CR or LF, or the text's end.
/// Eight bytes at a time: only a word holding a byte below 14 (where CR and LF are) is looked
/// at byte by byte.
const char* LineEnd(const char* p, const char* end) {
    constexpr uint64_t Ones = 0x0101010101010101ull;
    constexpr uint64_t Highs = 0x8080808080808080ull;
    while (end - p >= 8) {
        const uint64_t word = Load64(p);
        if (((word - Ones * 14) & ~word & Highs) != 0) {
            for (int i = 0; i < 8; ++i) {
                if (IsLineEndByte(p[i])) {
                    return p + i;
                }
            }
        }
        p += 8;
    }
    while (p < end && !IsLineEndByte(*p)) {
        ++p;
    }
    return p;
}

/// The start of the next line, given the end of this one: CR, LF and CR LF each end one line.
const char* NextLine(const char* lineEnd, const char* end) {
    if (lineEnd < end) {
        if (*lineEnd == '\r' && lineEnd + 1 < end && lineEnd[1] == '\n') {
            ++lineEnd;
        }
        ++lineEnd;
    }
    return lineEnd;
}

bool IsLineEnd(const char* p, const char* end) {
    return p == end || IsLineEndByte(*p);
}

/// Reads the value that starts at `p` into `field` and returns the start of the next line. The
/// plain number forms are read where they stand; anything else is read from the whole value.
/// `full` gets the whole value and the decimal separator (TPointOnly or a std::string_view):
/// captureless readers keep this lean (a capturing one cost the parse 6 %).
template <typename Field, typename Plain, typename Full, typename Separator>
const char* TakeNumber(const char* p, const char* end, Field& field, Plain plain, Full full,
                       Separator separator) {
    const char* after = p;
    if (const auto value = plain(after, end); value && IsLineEnd(after, end)) {
        field = static_cast<Field>(*value);
        return NextLine(after, end);
    }
    const char* lineEnd = LineEnd(p, end);
    field = full(std::string_view(p, static_cast<std::size_t>(lineEnd - p)),
                 std::string_view(separator));
    return NextLine(lineEnd, end);
}

// Lambdas rather than function pointers, so that each reader is inlined where it is used.
constexpr auto PlainInt = [](const char*& p, const char* end) { return TakePlainInt(p, end); };
constexpr auto PlainDecimal = [](const char*& p, const char* end) {
    return TakePlainDecimal(p, end);
};

const char* TakeInt(const char* p, const char* end, int32_t& field) {
    return TakeNumber(
        p, end, field, PlainInt,
        [](std::string_view value, std::string_view) { return ToInt(value); }, TPointOnly{});
}

template <typename Separator>
const char* TakeSlotFloat(const char* p, const char* end, float& field, Separator separator) {
    return TakeNumber(
        p, end, field, PlainDecimal,
        [](std::string_view value, std::string_view separator) {
            return ToSlotFloat(value, separator);
        },
        separator);
}

template <typename Text> const char* TakeText(const char* p, const char* end, Text& field) {
    const char* lineEnd = LineEnd(p, end);
    field.assign(std::string_view(p, static_cast<std::size_t>(lineEnd - p)));
    return NextLine(lineEnd, end);
}

/// Fills the slot's field for `key` from the value that starts at `p`; returns the next line.
template <typename Separator>
const char* FillSlot(TSlot& slot, SlotKey key, const char* p, const char* end,
                     Separator separator) {
    switch (key) {
    case SlotKey::Driver:
        return TakeText(p, end, slot.Driver);
    case SlotKey::Vehicle:
        return TakeText(p, end, slot.Vehicle);
    case SlotKey::VehicleClass:
        return TakeText(p, end, slot.VehicleClass);
    case SlotKey::Position:
        return TakeInt(p, end, slot.Position);
    case SlotKey::Laps:
        return TakeInt(p, end, slot.Laps);
    case SlotKey::InSector:
        return TakeInt(p, end, slot.InSector);
    case SlotKey::BestLap:
        return TakeSlotFloat(p, end, slot.BestLap, separator);
    case SlotKey::LastLap:
        return TakeSlotFloat(p, end, slot.LastLap, separator);
    case SlotKey::Pitstops:
        return TakeInt(p, end, slot.Pitstops);
    case SlotKey::InPits:
        return TakeInt(p, end, slot.InPits);
    case SlotKey::TimeGapToLider:
        return TakeSlotFloat(p, end, slot.TimeGapToLider, separator);
    case SlotKey::LapGapToLider:
        return TakeInt(p, end, slot.LapGapToLider);
    case SlotKey::TimeGapToPrev:
        return TakeSlotFloat(p, end, slot.TimeGapToPrev, separator);
    case SlotKey::LapGapToPrev:
        return TakeInt(p, end, slot.LapGapToPrev);
    case SlotKey::LapDistanceTravelled:
        return TakeNumber(
            p, end, slot.LapDistanceTravelled, PlainDecimal,
            [](std::string_view value, std::string_view separator) {
                return ParseDecimalDouble(value, separator).value_or(-1.0);
            },
            separator);
    case SlotKey::FinishStatus:
        return TakeText(p, end, slot.FinishStatus);
    case SlotKey::BestSectors:
    case SlotKey::LastLapSectors: {
        const char* lineEnd = LineEnd(p, end);
        ParseTriple(std::string_view(p, static_cast<std::size_t>(lineEnd - p)),
                    key == SlotKey::BestSectors ? slot.BestSectors : slot.LastLapSectors,
                    std::string_view(separator));
        return NextLine(lineEnd, end);
    }
    case SlotKey::Sectors:
    case SlotKey::Lap:
    case SlotKey::None:
        break; // recognised or unknown, and not kept
    }
    return NextLine(LineEnd(p, end), end);
}

void FillSession(TGameSession& session, SessionKey key, std::string_view value,
                 std::string_view separator) {
    switch (key) {
    case SessionKey::Scene:
        session.Scene.assign(value);
        break;
    case SessionKey::TrackLength:
        session.TrackLength = ParseDecimalDouble(value, separator).value_or(0.0);
        break;
    case SessionKey::SessionTime:
        session.SessionTime = ParseDecimalDouble(value, separator).value_or(0.0);
        break;
    case SessionKey::LengthLaps:
        session.LengthLaps = ToInt(value);
        break;
    case SessionKey::AmbientTemp:
        session.AmbientTemp = ParseDecimalFloat(value, separator).value_or(0.0f);
        break;
    case SessionKey::TrackTemp:
        session.TrackTemp = ParseDecimalFloat(value, separator).value_or(0.0f);
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

/// The common form "(a,b,c)" of three plain numbers, read in one pass; false for anything else.
bool ParsePlainTriple(std::string_view value, std::array<float, 3>& triple) {
    if (value.size() < 2) {
        return false;
    }
    const char* p = value.data() + 1;
    const char* const end = value.data() + value.size() - 1;
    std::array<float, 3> read{};
    for (std::size_t i = 0; i < read.size(); ++i) {
        const std::optional<double> number = TakePlainDecimal(p, end);
        if (!number || (i < 2 ? (p == end || *p++ != ',') : p != end)) {
            return false;
        }
        read[i] = static_cast<float>(*number);
    }
    triple = read;
    return true;
}

/// Follows a section line: "[Slot…" starts the next slot (reusing one of an earlier reading);
/// "[END]" and unknown sections leave the current section as it is.
void EnterSection(std::string_view line, std::vector<TSlot>& slots, std::size_t& count,
                  Section& section) {
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
}

/// Reads the slot line at `p`, trying the key at `expected` first (and moving it on to the key
/// after the one found); returns the start of the next line.
template <typename Separator>
const char* ReadSlotLine(TSlot& slot, std::size_t& expected, const char* p, const char* end,
                         Separator separator) {
    if (expected >= std::size(SlotKeys) || !LineHasKey(p, end, SlotKeys[expected].name)) {
        const std::optional<std::size_t> found = FindKeyAt(SlotKeys, p, end);
        if (!found) {
            return NextLine(LineEnd(p, end), end);
        }
        expected = *found;
    }
    const KeyName<SlotKey>& key = SlotKeys[expected++];
    return FillSlot(slot, key.key, p + key.name.size() + 1, end, separator);
}

const char* ReadSessionLine(TGameSession& session, const char* p, const char* end,
                            std::string_view separator) {
    const std::optional<std::size_t> found = FindKeyAt(SessionKeys, p, end);
    const char* value = found ? p + SessionKeys[*found].name.size() + 1 : p;
    const char* lineEnd = LineEnd(value, end);
    if (found) {
        FillSession(session, SessionKeys[*found].key,
                    std::string_view(value, static_cast<std::size_t>(lineEnd - value)), separator);
    }
    return NextLine(lineEnd, end);
}

} // namespace

void ParseTriple(std::string_view value, std::array<float, 3>& triple, std::string_view separator) {
    if (ParsePlainTriple(value, triple)) {
        return;
    }
    // The enclosing characters (usually brackets) are dropped, whatever they are.
    std::string_view list =
        value.size() >= 2 ? value.substr(1, value.size() - 2) : std::string_view{};
    triple = {-1.0f, -1.0f, -1.0f};
    const std::size_t first = list.find(',');
    if (first == std::string_view::npos) {
        return;
    }
    triple[0] = ToSlotFloat(list.substr(0, first), separator);
    const std::size_t second = list.find(',', first + 1);
    if (second == std::string_view::npos) {
        return;
    }
    triple[1] = ToSlotFloat(list.substr(first + 1, second - first - 1), separator);
    triple[2] = ToSlotFloat(list.substr(second + 1), separator);
}

namespace {

template <typename Separator>
void ParseText(std::string_view text, std::vector<TSlot>& slots, TGameSession& session,
               Separator separator) {
    // Slots of the previous reading are reset and reused, so their strings keep their memory.
    std::size_t count = 0;
    const std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos) {
        text = text.substr(0, nul);
    }

    // One pass: each line's key is matched where it stands and its value read from there. The
    // writer puts a slot's keys in the same order every time, so the key after the last one
    // found is tried first.
    Section section = Section::None;
    std::size_t expected = 0;
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        const char first = *p;
        if (first == '\r' || first == '\n' || first == '/' || first == '[' ||
            section == Section::None) {
            const char* lineEnd = LineEnd(p, end);
            if (first == '[') {
                EnterSection(std::string_view(p, static_cast<std::size_t>(lineEnd - p)), slots,
                             count, section);
                expected = 0;
            }
            p = NextLine(lineEnd, end);
            continue;
        }
        p = section == Section::Slot
                ? ReadSlotLine(slots[count - 1], expected, p, end, separator)
                : ReadSessionLine(session, p, end, std::string_view(separator));
    }
    slots.resize(count);
}

} // namespace

void ParseLiveText(std::string_view text, std::vector<TSlot>& slots, TGameSession& session,
                   std::string_view separator) {
    if (separator == ".") {
        ParseText(text, slots, session, TPointOnly{});
    } else {
        ParseText(text, slots, session, separator);
    }
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

std::string ReadLiveFile(const std::string& path) {
    return ReadWholeFile(path, MaxLiveFileSize);
}

void ParseLiveFile(const std::string& path, std::vector<TSlot>& slots, TGameSession& session) {
    std::string text;
    try {
        text = ReadLiveFile(path);
    } catch (...) {
        slots.clear();
        throw;
    }
    ParseLiveText(text, slots, session);
}
