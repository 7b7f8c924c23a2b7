#include "core/live/sessionlogs.h"

#include "core/live/laporders.h"
#include "core/live/laptime.h"
#include "core/platform/localeinfo.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <stdexcept>

namespace {

/// printf into a std::string of whatever length the fields need: long names are not cut.
__attribute__((format(printf, 1, 2))) std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, args);
        text.resize(static_cast<std::size_t>(length));
    }
    va_end(args);
    return text;
}

std::string DateTimeText(std::time_t now) {
    const std::optional<std::tm> local = LocalTimeOf(now);
    if (!local) {
        return std::string();
    }
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, "%x %X", &*local);
    return std::string(buffer, length);
}

std::string DriverLine(int rank, const TPlayer& player) {
    return Format("%2d[%.2d]%-22s %-30s %-14s %2dL  %s", rank, player.Position[0],
                  player.Driver.c_str(), player.Vehicle.c_str(), player.VehicleClass.c_str(),
                  player.Laps, LapTimeText(player.BestLap).c_str());
}

} // namespace

std::string SessionTimeLine(double sessionTime) {
    // Clamped so a corrupt session time cannot overflow the integer fields.
    constexpr double Limit = std::numeric_limits<int>::max();
    const double whole = std::isfinite(sessionTime) ? std::trunc(sessionTime) : 0.0;
    const int seconds = static_cast<int>(std::clamp(whole, -Limit, Limit));
    return Format("Session Time - %.2d:%.2d:%.2d", seconds / 3600, seconds % 3600 / 60,
                  seconds % 60);
}

std::vector<std::string> SessionSummary(const TPlayers& players, std::time_t now) {
    const TGameSession& session = players.GameSession();
    std::vector<std::string> lines;
    lines.push_back(DateTimeText(now) + " " + session.Scene + " - " + session.Session.Text());
    lines.push_back(SessionTimeLine(session.SessionTime));
    std::vector<const TPlayer*> records = AllRecords(players);
    std::stable_sort(records.begin(), records.end(), [](const TPlayer* a, const TPlayer* b) {
        return ComparePosition(*a, *b) < 0;
    });
    for (std::size_t i = 0; i < records.size(); ++i) {
        lines.push_back(DriverLine(static_cast<int>(i) + 1, *records[i]));
    }
    return lines;
}

void TSessionLogs::AddSession(const TPlayers& players) {
    if (players.Count() == 0) {
        return;
    }
    Entries.push_back(SessionSummary(players, std::time(nullptr)));
}

const std::vector<std::string>& TSessionLogs::Items(int index) const {
    if (index < 0 || index >= Count()) {
        throw std::out_of_range("session log " + std::to_string(index) + " does not exist");
    }
    return Entries[static_cast<std::size_t>(index)];
}

std::string TSessionLogs::EntryTitle(int index) const {
    const std::vector<std::string>& lines = Items(index);
    return lines.empty() ? std::string("empty") : lines.front();
}
