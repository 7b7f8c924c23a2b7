#include "core/live/reports.h"

#include "core/live/laporders.h"
#include "core/live/laptime.h"

#include <algorithm>
#include <cstdio>

namespace {

/// Pads on the right to `width` bytes and never cuts: a long name only pushes its own line.
std::string PadRight(std::string text, std::size_t width) {
    if (text.size() < width) {
        text.append(width - text.size(), ' ');
    }
    return text;
}

std::string PadLeft(const std::string& text, std::size_t width) {
    if (text.size() >= width) {
        return text;
    }
    return std::string(width - text.size(), ' ') + text;
}

/// "%2d [%.2d]%-20s %10s", built by hand so names of any length and content stay whole.
std::string LapLine(int rank, const TPlayer& player, const std::string& time) {
    char head[32];
    std::snprintf(head, sizeof head, "%2d [%.2d]", rank, static_cast<int>(player.Position[0]));
    return head + PadRight(player.Driver, 20) + " " + PadLeft(time, 10);
}

/// "%-3d %-20s %10s".
std::string GapLine(int position, const TPlayer& player, const std::string& gap) {
    char head[16];
    std::snprintf(head, sizeof head, "%-3d ", position);
    return head + PadRight(player.Driver, 20) + " " + PadLeft(gap, 10);
}

std::string GapText(int position, const TPlayer& player) {
    if (position == 1) {
        return "---";
    }
    if (player.LapGapToLider > 0) {
        return "+" + std::to_string(player.LapGapToLider) + "Lap";
    }
    return "+" + LapTimeText(player.TimeGapToLider);
}

template <typename Compare, typename TimeOf>
std::vector<std::string> LapReport(const char* header, std::vector<const TPlayer*> records,
                                   Compare compare, TimeOf timeOf) {
    std::sort(records.begin(), records.end(),
              [&](const TPlayer* a, const TPlayer* b) { return compare(*a, *b) < 0; });
    std::vector<std::string> lines{header};
    int rank = 0;
    for (const TPlayer* record : records) {
        lines.push_back(LapLine(++rank, *record, LapTimeText(timeOf(*record))));
    }
    return lines;
}

} // namespace

std::vector<std::string> BestlapReport(const TPlayers& players) {
    return LapReport("[Bestlap]", AllRecords(players), CompareBestLap,
                     [](const TPlayer& p) { return p.BestLap; });
}

std::vector<std::string> AvglapReport(const TPlayers& players) {
    return LapReport("[Avglap]", SeenRecords(players), CompareAverageLap, AverageLap);
}

std::vector<std::string> GapReport(const TPlayers& players) {
    const int count = players.Count();
    const std::vector<int> holder = players.SeenIndexByPosition(count);
    std::vector<std::string> lines{"[Gap]"};
    for (int position = 1; position <= count; ++position) {
        const int index = holder[static_cast<std::size_t>(position)];
        if (index >= 0) {
            const TPlayer& record = players.Item(index);
            lines.push_back(GapLine(position, record, GapText(position, record)));
        }
    }
    return lines;
}
