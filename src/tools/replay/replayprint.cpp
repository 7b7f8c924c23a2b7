#include "tools/replay/replayprint.h"

namespace {

std::string Hex(unsigned value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
    return buffer;
}

} // namespace

void PrintRecord(std::FILE* out, const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            std::fputc('\t', out);
        }
        // Names are raw bytes and may hold anything but the line break that ends the record.
        std::fwrite(fields[i].data(), 1, fields[i].size(), out);
    }
    std::fputc('\n', out);
}

std::string Fixed3(double value) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%.3f", value);
    return buffer;
}

void PrintPlayers(std::FILE* out, const TPlayers& players) {
    const TGameSession& session = players.GameSession();
    PrintRecord(out, {"session", session.Session.Text(), session.GamePhase.Text(),
                      Fixed3(session.SessionTimeDelta), Fixed3(players.SessionBestTime())});
    for (int i = 0; i < players.Count(); ++i) {
        const TPlayer& p = players.Item(i);
        PrintRecord(out,
                    {"player", std::to_string(i), p.Driver, Hex(p.Flags, 2),
                     std::to_string(p.Position[0]), std::to_string(p.HistoryCount),
                     std::to_string(p.Laps), Fixed3(p.BestLap), Fixed3(p.LastLap[0]),
                     std::to_string(p.Pitstops), p.InPits ? "1" : "0", std::to_string(p.PitExitLap),
                     p.FinishStatus.Text(), std::to_string(p.BattleScore), p.Alias});
    }
}

void PrintRows(std::FILE* out, const std::vector<TStats1Data>& rows,
               const std::vector<TClassPlace>* places) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TStats1Data& r = rows[i];
        std::vector<std::string> fields = {"row",
                                           std::to_string(i),
                                           r.Name,
                                           Fixed3(r.Interval),
                                           Hex(r.IntervalColor, 8),
                                           std::to_string(r.Laps),
                                           Fixed3(r.BestLap),
                                           std::to_string(r.Pitstops),
                                           r.TimedLap ? "1" : "0",
                                           Hex(r.Marks, 4),
                                           std::to_string(r.LapTenths)};
        if (places != nullptr && i < places->size()) {
            const TClassPlace& place = (*places)[i];
            fields.insert(fields.end(), {place.Class, std::to_string(place.Position),
                                         ClassGapText(place, place.ToLeader),
                                         ClassGapText(place, place.ToAhead)});
        }
        PrintRecord(out, fields);
    }
}
