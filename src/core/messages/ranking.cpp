#include "core/messages/ranking.h"

#include "core/live/classstandings.h"
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

namespace {

const char* ClassStripTitle(TRankingKind kind) {
    switch (kind) {
    case TRankingKind::BestLaps:
        return "Best Lap";
    case TRankingKind::AverageLaps:
        return "Laptime(3Laps Avg)";
    case TRankingKind::PitStops:
        return "Pit Stops";
    case TRankingKind::GapToLeader:
        return "Gap";
    case TRankingKind::Intervals:
        break;
    }
    return "Gap(Interval)";
}

/// One car of a class with its place in it.
struct TClassCar {
    const TPlayer* Car;
    const TClassPlace* Place;
};

/// The lines of one class's cars, `cars` in the class's order.
void AddClassLines(TRankingKind kind, std::vector<TClassCar> cars, int nameLength,
                   TRaceEventList& list) {
    const auto boxed = [nameLength](const TClassCar& c) {
        return BoxedName(c.Place->Position, *c.Car, nameLength);
    };
    switch (kind) {
    case TRankingKind::BestLaps: {
        std::stable_sort(cars.begin(), cars.end(), [](const TClassCar& a, const TClassCar& b) {
            return BestLapKey(*a.Car) < BestLapKey(*b.Car);
        });
        for (std::size_t i = 0; i < cars.size() && i < BestLapLines && cars[i].Car->BestLap > 0.0f;
             ++i) {
            AddLine(list, boxed(cars[i]) + LapTimeText(cars[i].Car->BestLap));
        }
        return;
    }
    case TRankingKind::AverageLaps:
        std::stable_sort(cars.begin(), cars.end(), [](const TClassCar& a, const TClassCar& b) {
            return CompareAverageLap(*a.Car, *b.Car) < 0;
        });
        for (const TClassCar& c : cars) {
            AddLine(list, boxed(c) + LapTimeText(AverageLap(*c.Car)));
        }
        return;
    case TRankingKind::PitStops:
        for (const TClassCar& c : cars) {
            AddLine(list, IsolatedName(DisplayName(*c.Car, nameLength)) + "  " +
                              std::to_string(c.Car->Pitstops));
        }
        return;
    case TRankingKind::GapToLeader:
    case TRankingKind::Intervals:
        for (const TClassCar& c : cars) {
            const TClassGap& gap =
                kind == TRankingKind::GapToLeader ? c.Place->ToLeader : c.Place->ToAhead;
            AddLine(list, boxed(c) + GapText(*c.Car, c.Place->Position, gap.Laps, gap.Time));
        }
        return;
    }
}

} // namespace

void ComposeByClass(TRankingKind kind, const TPlayers& players, int nameLength,
                    TWindowLink& windows, TRaceEventList& list) {
    StartList(list, ClassStripTitle(kind));
    const std::vector<const TPlayer*> order = StandingOrder(players);
    const std::vector<TClassPlace> places = ClassPlaces(order, players.GameSession());
    const std::vector<std::string> classes = ClassesInOrder(places);
    for (std::size_t number = 0; number < classes.size(); ++number) {
        std::vector<TClassCar> cars;
        for (std::size_t k = 0; k < order.size(); ++k) {
            if (places[k].ClassNumber == static_cast<int>(number)) {
                cars.push_back({order[k], &places[k]});
            }
        }
        // A car of no class is still tagged, so its lines do not read as the class before.
        list.AddEvent(classes[number].empty() ? std::string("-") : classes[number], "", 0);
        AddClassLines(kind, std::move(cars), nameLength, list);
    }
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
