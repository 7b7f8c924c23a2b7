#include "tools/feed/snapshottext.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

constexpr const char* Eol = "\r\n";

// Times use -1 for "not set"; writing that as "-1" rather than "-1.000" keeps it recognisable.
std::string FormatTime(double seconds) {
    return seconds < 0.0 ? std::string("-1") : FormatFixed(seconds, 3);
}

std::string FormatTriple(const std::array<double, 3>& triple) {
    return "(" + FormatTime(triple[0]) + "," + FormatTime(triple[1]) + "," + FormatTime(triple[2]) +
           ")";
}

class LineWriter {
  public:
    explicit LineWriter(std::string& out) : out_(out) {}
    void Section(const std::string& name) { out_ += name + Eol; }
    void Key(const char* key, const std::string& value) {
        out_ += key;
        out_ += '=';
        out_ += value;
        out_ += Eol;
    }
    void Key(const char* key, int value) { Key(key, std::to_string(value)); }

  private:
    std::string& out_;
};

void WriteSession(LineWriter& w, const FeedSessionValues& s) {
    w.Section("[Session]");
    w.Key("Scene", s.scene);
    w.Key("TrackLength", FormatFixed(s.trackLength, 1));
    w.Key("SessionTime", FormatFixed(s.sessionTime, 3));
    w.Key("LengthLaps", s.lengthLaps);
    w.Key("AmbientTemp", FormatFixed(s.ambientTemp, 1));
    w.Key("TrackTemp", FormatFixed(s.trackTemp, 1));
    w.Key("Session", s.session);
    w.Key("GamePhase", s.gamePhase);
    w.Key("YellowFlag", s.yellowFlag);
}

void WriteSlot(LineWriter& w, int number, const FeedSlotValues& c) {
    char name[16];
    std::snprintf(name, sizeof name, "[Slot%02d]", number);
    w.Section(name);
    w.Key("Driver", c.driver);
    w.Key("Vehicle", c.vehicle);
    w.Key("VehicleClass", c.vehicleClass);
    w.Key("Position", c.position);
    w.Key("Laps", c.laps);
    w.Key("InSector", c.inSector);
    w.Key("BestLap", FormatTime(c.bestLap));
    w.Key("LastLap", FormatTime(c.lastLap));
    w.Key("BestSectors", FormatTriple(c.bestSectors));
    w.Key("LastLapSectors", FormatTriple(c.lastLapSectors));
    w.Key("Pitstops", c.pitstops);
    w.Key("InPits", c.inPits ? 1 : 0);
    w.Key("TimeGapToLider", FormatTime(c.timeGapToLider));
    w.Key("LapGapToLider", c.lapGapToLider);
    w.Key("TimeGapToPrev", FormatTime(c.timeGapToPrev));
    w.Key("LapGapToPrev", c.lapGapToPrev);
    w.Key("LapDistanceTravelled", FormatFixed(c.lapDistanceTravelled, 2));
    w.Key("FinishStatus", c.finishStatus);
}

} // namespace

std::string FormatFixed(double value, int decimals) {
    if (!std::isfinite(value))
        value = 0.0;
    char buffer[64];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc())
        return "0";
    std::string text(buffer, result.ptr);
    // "-0.000" would read as a negative time; a value that rounds to zero is zero.
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1);
    return text;
}

std::string FormatLiveText(const FeedSnapshot& snapshot) {
    std::string out;
    out.reserve(600 + snapshot.slots.size() * 520);
    LineWriter w(out);
    w.Section("[Header]");
    w.Key("Version", "1");
    w.Key("Writer", std::string("kestrune-feed"));
    WriteSession(w, snapshot.session);
    for (std::size_t i = 0; i < snapshot.slots.size(); ++i)
        WriteSlot(w, static_cast<int>(i), snapshot.slots[i]);
    w.Section("[END]");
    return out;
}
