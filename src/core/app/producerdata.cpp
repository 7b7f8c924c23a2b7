#include "core/app/producerdata.h"

#include "core/live/classstandings.h"
#include "core/live/laptime.h"
#include "core/live/reports.h"
#include "core/live/sessionlogs.h"
#include "core/messages/ranking.h"
#include "core/messages/statusline.h"
#include "core/platform/jsontext.h"
#include "core/platform/localetext.h"
#include "core/standings/rows.h"
#include "core/standings/standingsview.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <system_error>
#include <utility>
#include <vector>

namespace {

/// One cell of a standings row: a text (quoted in JSON, CsvField in CSV) or a bare number or
/// boolean, written as it is in both.
struct TCell {
    std::string Value;
    bool Quoted = false;
};

TCell Text(std::string_view bytes) {
    return {LiveTextUtf8(bytes), true};
}

TCell Number(int64_t value) {
    return {std::to_string(value), false};
}

TCell Bool(bool value) {
    return {value ? "true" : "false", false};
}

/// `value` with `decimals` places; to_chars, because printf follows the user's locale once Qt
/// has set it, and JSON wants a point. Not finite: null.
std::string JsonNumber(double value, int decimals) {
    if (!std::isfinite(value)) {
        return "null";
    }
    char buffer[400]; // the largest double in fixed notation fits
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("null");
}

/// 0 (no lap yet), the file's -1 (no value) and nonsense are no lap time.
bool HasLapTime(float seconds) {
    return std::isfinite(seconds) && seconds > 0.0f;
}

TCell LapText(float seconds) {
    return {HasLapTime(seconds) ? LapTimeText(seconds) : std::string(), true};
}

/// Rounded as LapTimeText rounds, so the figures agree with the text.
TCell LapMillis(float seconds) {
    if (!HasLapTime(seconds)) {
        return {"0", false};
    }
    return {JsonNumber(std::nearbyint(static_cast<double>(seconds) * 1000.0), 0), false};
}

// The class columns came later: they go last, so a reader that counts columns still finds the
// others where they were.
constexpr std::array<std::string_view, 22> StandingColumns = {
    "position", "name",          "driver",       "vehicle",      "class",       "laps",
    "bestLap",  "bestLapMs",     "lastLap",      "lastLapMs",    "gapToLeader", "interval",
    "pitStops", "inPits",        "finishStatus", "gained",       "lost",        "bestImproved",
    "slow",     "classPosition", "classGap",     "classInterval"};

using TStandingRow = std::array<TCell, StandingColumns.size()>;

/// In StandingColumns' order.
TStandingRow StandingRow(const TPlayer& car, const TStats1Data& row, const TClassPlace& place,
                         bool first) {
    const auto mark = [&row](uint16_t bit) { return Bool((row.Marks & bit) != 0); };
    return {{
        Number(car.Position[0]),
        Text(row.Name),
        Text(car.Driver),
        Text(car.Vehicle),
        Text(car.VehicleClass),
        Number(car.Laps),
        LapText(car.BestLap),
        LapMillis(car.BestLap),
        LapText(car.LastLap[0]),
        LapMillis(car.LastLap[0]),
        {first ? std::string() : GapBehindText(car.LapGapToLider, car.TimeGapToLider), true},
        {first ? std::string() : GapBehindText(car.LapGapToPrev, car.TimeGapToPrev[0]), true},
        Number(car.Pitstops),
        mark(mkInPits),
        Text(car.FinishStatus.Text()),
        mark(mkGained),
        mark(mkLost),
        mark(mkBestImproved),
        mark(mkSlow),
        Number(place.Position),
        {ClassGapText(place, place.ToLeader), true},
        {ClassGapText(place, place.ToAhead), true},
    }};
}

std::vector<TStandingRow> StandingTable(const TPlayers& players, int nameLength) {
    const TStandingsView view = BuildStandingsView(players, nameLength);
    std::vector<TStandingRow> table;
    table.reserve(view.Cars.size());
    for (const TStandingEntry& entry : view.Cars) {
        table.push_back(StandingRow(*entry.Car, entry.Row, entry.Place, table.empty()));
    }
    return table;
}

std::string NamePart(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

/// "hh:mm:ss", as the session summaries write the session time.
std::string SessionClock(double seconds) {
    constexpr std::string_view Label = "Session Time - ";
    std::string line = SessionTimeLine(seconds);
    if (line.starts_with(Label)) {
        line.erase(0, Label.size());
    }
    return line;
}

std::string Trimmed(const std::string& text) {
    const std::size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) {
        return {};
    }
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

void AppendLines(std::string& out, const std::vector<std::string>& report) {
    out += '[';
    // The first line is the report's bracketed title; the key names it here.
    for (std::size_t i = 1; i < report.size(); ++i) {
        out += i > 1 ? "," : "";
        out += JsonQuoted(LiveTextUtf8(report[i]));
    }
    out += ']';
}

} // namespace

std::string StandingsJson(const TPlayers& players, int nameLength) {
    const std::vector<TStandingRow> table = StandingTable(players, nameLength);
    std::string out = "[";
    out.reserve(table.size() * 400);
    for (std::size_t k = 0; k < table.size(); ++k) {
        out += k > 0 ? ",{" : "{";
        for (std::size_t c = 0; c < StandingColumns.size(); ++c) {
            out += c > 0 ? ",\"" : "\"";
            out += StandingColumns[c];
            out += "\":";
            const TCell& cell = table[k][c];
            out += cell.Quoted ? JsonQuoted(cell.Value) : cell.Value;
        }
        out += '}';
    }
    return out + "]";
}

std::string StandingsCsv(const TPlayers& players, int nameLength) {
    const std::vector<TStandingRow> table = StandingTable(players, nameLength);
    std::string out;
    out.reserve((table.size() + 1) * 200);
    for (std::size_t c = 0; c < StandingColumns.size(); ++c) {
        out += c > 0 ? "," : "";
        out += StandingColumns[c];
    }
    out += "\r\n";
    for (const TStandingRow& row : table) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            out += c > 0 ? "," : "";
            out += row[c].Quoted ? CsvField(row[c].Value) : row[c].Value;
        }
        out += "\r\n";
    }
    return out;
}

std::string SessionJson(const TPlayers& players, std::string_view liveFileName) {
    const TGameSession& session = players.GameSession();
    const int leader = players.IndexOfPosition(1);
    // The status line's left text is the lap counter, padded for a fixed place on the line,
    // except on the formation lap, when it names the phase (which "phase" already gives).
    const std::string lapCounter = session.GamePhase == TGamePhase::FormationLap
                                       ? std::string()
                                       : Trimmed(StatusTexts(&players, {}).Left);
    std::string out = "{\"file\":" + JsonQuoted(NamePart(liveFileName));
    out += ",\"session\":" + JsonQuoted(LiveTextUtf8(session.Session.Text()));
    out += ",\"phase\":" + JsonQuoted(LiveTextUtf8(session.GamePhase.Text()));
    out += ",\"flag\":" + JsonQuoted(LiveTextUtf8(session.YellowFlag));
    out += ",\"track\":" + JsonQuoted(LiveTextUtf8(session.Scene));
    out += ",\"lap\":" + std::to_string(leader >= 0 ? players.Item(leader).Laps : 0);
    out += ",\"totalLaps\":" + std::to_string(session.LengthLaps);
    out += ",\"lapCounter\":" + JsonQuoted(lapCounter);
    out += ",\"sessionTime\":" + JsonNumber(session.SessionTime, 3);
    out += ",\"sessionTimeText\":" + JsonQuoted(SessionClock(session.SessionTime));
    out += ",\"trackLength\":" + JsonNumber(session.TrackLength, 1);
    out += ",\"ambientTemp\":" + JsonNumber(session.AmbientTemp, 1);
    out += ",\"trackTemp\":" + JsonNumber(session.TrackTemp, 1);
    return out + "}";
}

std::string ReportsJson(const TPlayers& players) {
    std::string out = "{\"bestlap\":";
    AppendLines(out, BestlapReport(players));
    out += ",\"avglap\":";
    AppendLines(out, AvglapReport(players));
    out += ",\"gap\":";
    AppendLines(out, GapReport(players));
    return out + "}";
}
