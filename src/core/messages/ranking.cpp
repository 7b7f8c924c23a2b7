#include "core/messages/ranking.h"

#include "core/live/laporders.h"
#include "core/live/laptime.h"
#include "core/live/names.h"
#include "core/messages/racedetect.h"

#include <algorithm>
#include <limits>
#include <string>

namespace {

constexpr int BestLapLines = 10;

/// Every entry of a strip is shown once while it scrolls past; none has a time of its own.
void AddLine(TRaceEventList& list, const std::string& text) {
    list.AddEvent("", text, 0);
}

void StartList(TRaceEventList& list, const std::string& title) {
    list.Clear();
    list.AddEvent(title, "", 0);
}

std::string BoxedName(int32_t position, const TPlayer& player, int nameLength) {
    return "#" + std::to_string(position) + "# " + IsolatedName(DisplayName(player, nameLength)) +
           "  ";
}

/// A best lap of 0 is what a car reports before its first timed lap; counting it as a time would
/// put it first and end the strip before any line, so it sorts with "no time".
float BestLapKey(const TPlayer& player) {
    return player.BestLap > 0.0f ? player.BestLap : std::numeric_limits<float>::infinity();
}

/// What follows the name in a gap line: a finish status, the leader's laps, or the deficit.
std::string GapText(const TPlayer& player, int32_t position, int32_t lapsDown, float timeDown) {
    if (player.FinishStatus != TFinishStatus::None) {
        return player.FinishStatus.Text();
    }
    if (position == 1) {
        return std::to_string(player.Laps) + "Laps";
    }
    return GapBehindText(lapsDown, timeDown);
}

/// Lines for positions 1 to the number of Seen drivers; the walk skips an empty position but
/// never reaches past that number, so cars placed beyond it are left out.
template <typename MakeLine>
void AddStandingsLines(const TPlayers& players, TRaceEventList& list, MakeLine makeLine) {
    const std::vector<int> byPosition = players.SeenIndexByPosition(players.CountSeen());
    for (std::size_t p = 1; p < byPosition.size(); ++p) {
        if (byPosition[p] >= 0) {
            AddLine(list, makeLine(players.Item(byPosition[p]), static_cast<int32_t>(p)));
        }
    }
}

} // namespace

void ComposeBestLaps(const TPlayers& players, int nameLength, TWindowLink& windows,
                     TRaceEventList& list) {
    StartList(list, " ");
    std::vector<const TPlayer*> order = SeenRecords(players);
    std::sort(order.begin(), order.end(),
              [](const TPlayer* a, const TPlayer* b) { return BestLapKey(*a) < BestLapKey(*b); });
    const std::size_t lines = std::min<std::size_t>(order.size(), BestLapLines);
    for (std::size_t i = 0; i < lines && order[i]->BestLap > 0.0f; ++i) {
        const TPlayer& player = *order[i];
        AddLine(list,
                BoxedName(player.Position[0], player, nameLength) + LapTimeText(player.BestLap));
    }
    list.Items(0).Title = list.Count() > BestLapLines ? "Best Lap Top10" : "Best Lap";
    windows.SetRankingMode(true);
}

void ComposeAverageLaps(const TPlayers& players, int nameLength, TWindowLink& windows,
                        TRaceEventList& list) {
    StartList(list, "Laptime(3Laps Avg)");
    std::vector<const TPlayer*> order = SeenRecords(players);
    std::sort(order.begin(), order.end(),
              [](const TPlayer* a, const TPlayer* b) { return CompareAverageLap(*a, *b) < 0; });
    for (const TPlayer* player : order) {
        AddLine(list, BoxedName(player->Position[0], *player, nameLength) +
                          LapTimeText(AverageLap(*player)));
    }
    windows.SetRankingMode(true);
}

void ComposePitStops(const TPlayers& players, int nameLength, TWindowLink& windows,
                     TRaceEventList& list) {
    StartList(list, "Pit Stops");
    AddStandingsLines(players, list, [nameLength](const TPlayer& player, int32_t) {
        return IsolatedName(DisplayName(player, nameLength)) + "  " +
               std::to_string(player.Pitstops);
    });
    windows.SetRankingMode(true);
}

void ComposeGapToLeader(const TPlayers& players, int nameLength, TWindowLink& windows,
                        TRaceEventList& list) {
    StartList(list, "Gap");
    AddStandingsLines(players, list, [nameLength](const TPlayer& player, int32_t p) {
        return BoxedName(p, player, nameLength) +
               GapText(player, p, player.LapGapToLider, player.TimeGapToLider);
    });
    windows.SetRankingMode(true);
}

void ComposeIntervals(const TPlayers& players, int nameLength, TWindowLink& windows,
                      TRaceEventList& list) {
    StartList(list, "Gap(Interval)");
    AddStandingsLines(players, list, [nameLength](const TPlayer& player, int32_t p) {
        return BoxedName(p, player, nameLength) +
               GapText(player, p, player.LapGapToPrev, player.TimeGapToPrev[0]);
    });
    windows.SetRankingMode(true);
}

void PressRankingButton(TWindowLink& windows, const std::function<void()>& compose) {
    if (windows.RankingMode()) {
        windows.SetRankingMode(false);
        return;
    }
    compose();
    windows.SetRankingMode(true);
}
