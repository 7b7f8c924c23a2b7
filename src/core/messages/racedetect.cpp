#include "core/messages/racedetect.h"

#include "core/live/classstandings.h"
#include "core/live/laptime.h"
#include "core/live/names.h"

#include <algorithm>
#include <cstdint>

namespace {

/// A battle score above this announces a battle: a minute or more within a second of the car
/// ahead, longer further back; damping caps scores here.
constexpr int32_t BattleThreshold = 300;
/// Scores at or below this are left alone by damping, so a car just building up keeps it.
constexpr int32_t DampFloor = 140;
/// The announced car starts far below zero so it is not announced again for minutes.
constexpr int32_t AnnouncedScore = -200;

/// "#p# Driver": the position drawn in a number box; a lap time may follow the name.
std::string Boxed(int32_t position, const std::string& driver) {
    return "#" + std::to_string(position) + "# " + IsolatedName(driver);
}

/// "GT3 " before a title of the class view.
std::string ClassTag(const std::string& cls) {
    return cls + " ";
}

/// Where each car stands in the race overall and, in the class view, in its class.
struct TRacePlaces {
    bool ByClass = false;
    /// By record index, when a car finished or improved in the class view; 0 for a car of no
    /// class, which is announced as overall (a plain "Winner" there would read as the race's).
    std::vector<int32_t> ClassPosition;
    /// In the class view, each class's best of this reading.
    std::vector<TClassBest> Bests;
};

/// Whether a car of this reading finished or improved its best lap: only then is anything
/// placed within a class, which most readings of a race never need.
bool ClassNews(const TPlayers& players) {
    for (int i = 0; i < players.Count(); ++i) {
        const TPlayer& car = players.Item(i);
        if (car.Has(PlayerFlag::Seen) && (car.Has(PlayerFlag::FinishStatusChanged) ||
                                          (car.Has(PlayerFlag::BestLapImproved) && car.Laps > 2))) {
            return true;
        }
    }
    return false;
}

TRacePlaces RacePlaces(TPlayers& players, bool byClass) {
    TRacePlaces places;
    if (!byClass) {
        return places;
    }
    places.ByClass = ClassNews(players);
    // The bests change only with an improvement, which is news; the first reading gives them.
    if (places.ByClass || players.ClassBestTimes().empty()) {
        places.Bests = ClassBestLaps(players);
    }
    if (!places.ByClass) {
        return places;
    }
    places.ClassPosition.assign(static_cast<std::size_t>(players.Count()), 0);
    const std::vector<const TPlayer*> order = StandingOrder(players);
    const std::vector<TClassPlace> inClass = ClassPlaces(order, players.GameSession());
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (!order[k]->VehicleClass.empty()) {
            places.ClassPosition[static_cast<std::size_t>(order[k] - &players.Item(0))] =
                inClass[k].Position;
        }
    }
    return places;
}

/// The class's best lap of this session before this reading; 0 for none yet.
float RememberedBest(TPlayers& players, const std::string& cls) {
    for (const auto& [name, best] : players.ClassBestTimes()) {
        if (name == cls) {
            return best;
        }
    }
    return 0.0f;
}

void RememberClassBests(TPlayers& players, const std::vector<TClassBest>& bests) {
    auto& kept = players.ClassBestTimes();
    for (const TClassBest& best : bests) {
        if (best.Record < 0) {
            continue;
        }
        auto found = std::find_if(kept.begin(), kept.end(),
                                  [&best](const auto& entry) { return entry.first == best.Class; });
        if (found == kept.end()) {
            kept.emplace_back(best.Class, best.BestLap);
        } else {
            found->second = std::min(found->second, best.BestLap);
        }
    }
}

/// True when `car` alone holds its class's best lap of this reading.
bool HoldsClassBest(const TPlayers& players, const TPlayer& car, const TRacePlaces& places) {
    for (const TClassBest& best : places.Bests) {
        if (best.Class != car.VehicleClass) {
            continue;
        }
        if (best.Record < 0 || &players.Item(best.Record) != &car) {
            return false;
        }
        for (int i = 0; i < players.Count(); ++i) {
            const TPlayer& other = players.Item(i);
            if (&other != &car && other.Has(PlayerFlag::Seen) &&
                other.VehicleClass == car.VehicleClass && other.BestLap == car.BestLap) {
                return false;
            }
        }
        return true;
    }
    return false;
}

/// A new fastest lap of the car's class: the best of this reading, alone, and better than the
/// class's best before it (a holder who left keeps it; a best lap made worse is no record).
bool NewClassBest(TPlayers& players, const TPlayer& car, const TRacePlaces& places) {
    const float before = RememberedBest(players, car.VehicleClass);
    return HoldsClassBest(players, car, places) && (before <= 0.0f || car.BestLap < before);
}

void AnnounceFinish(const TPlayer& car, int32_t position, TReadingResult& result,
                    const std::string& tag = std::string()) {
    switch (car.FinishStatus.Is()) {
    case TFinishStatus::Dnf:
        result.Event("DNF", car.Driver, EventSeconds::Retirement);
        result.Log("[DNF] " + car.Driver);
        break;
    case TFinishStatus::Dq:
        result.Event("DQ", car.Driver, EventSeconds::Retirement);
        result.Log("[DQ] " + car.Driver);
        break;
    case TFinishStatus::Finished:
        // A finisher matters more than a ranking strip: stop it at once.
        result.StopRanking = true;
        result.Event(tag + FinishOrdinal(position), car.Driver,
                     position == 1 ? EventSeconds::Winner : EventSeconds::Finisher);
        break;
    case TFinishStatus::None:
    case TFinishStatus::Other:
        break;
    }
}

bool EntersPitsUnderGreen(const TPlayer& car, const TGameSession& session) {
    return car.Has(PlayerFlag::PitStateChanged) && car.InPits &&
           session.GamePhase == TGamePhase::GreenFlag && car.FinishStatus == TFinishStatus::None;
}

/// The messages of one car in a race, in the order finish or pit-in, final lap, fastest lap.
void DetectRaceCar(TPlayers& players, TPlayer& car, int32_t position,
                   const TRacePlaces& places, TReadingResult& result) {
    const TGameSession& session = players.GameSession();
    const int32_t classPosition =
        places.ByClass ? places.ClassPosition[static_cast<std::size_t>(&car - &players.Item(0))]
                       : 0;
    if (car.Has(PlayerFlag::FinishStatusChanged)) {
        if (classPosition > 0) {
            AnnounceFinish(car, classPosition, result, ClassTag(car.VehicleClass));
        } else {
            AnnounceFinish(car, position, result);
        }
    } else if (EntersPitsUnderGreen(car, session)) {
        result.Event("Pit-in", Boxed(position, car.Driver), EventSeconds::PitIn);
    }
    const bool leaderLap = car.Has(PlayerFlag::LapCompleted) && position == 1;
    // A race run to time has LengthLaps 0 and so no final lap; 64-bit keeps the sum exact.
    if (leaderLap && session.LengthLaps > 0 &&
        static_cast<int64_t>(car.Laps) == static_cast<int64_t>(session.LengthLaps) - 1) {
        result.Event("Final Lap", Boxed(position, car.Driver), EventSeconds::FinalLap);
    }
    // The status line counts the leader's laps.
    result.RefreshStatus = result.RefreshStatus || leaderLap;
    // The first two laps are out-laps and traffic; a "fastest lap" there says nothing.
    if (car.Laps <= 2) {
        return;
    }
    std::string tag;
    int32_t boxed = position;
    if (classPosition > 0) {
        // Each class's own: the overall fastest is its class's too, so it is announced once.
        if (!car.Has(PlayerFlag::BestLapImproved) || !NewClassBest(players, car, places)) {
            return;
        }
        tag = ClassTag(car.VehicleClass);
        boxed = classPosition;
    } else if (!car.Has(PlayerFlag::SessionBestLap)) {
        return;
    }
    const std::string best = LapTimeText(car.BestLap);
    result.Event(tag + "Fastest Lap", Boxed(boxed, car.Driver) + "  " + best,
                 EventSeconds::FastestLap);
    result.Log("[" + tag + "Fastest] " + car.Driver + " " + best + "(Lap" +
               std::to_string(car.Laps) + ")");
}

/// The highest position whose car's score calls for a battle and that has a car directly
/// ahead, or 0 when there is none.
std::size_t FindBattle(const TPlayers& players, const std::vector<int>& byPosition) {
    for (std::size_t p = 2; p < byPosition.size(); ++p) {
        const int chaser = byPosition[p];
        if (chaser >= 0 && players.Item(chaser).BattleScore > BattleThreshold &&
            byPosition[p - 1] >= 0) {
            return p;
        }
    }
    return 0;
}

/// Caps and decays every score so that the next battle needs fresh closeness to build up.
void DampBattleScores(TPlayers& players) {
    for (int i = 0; i < players.Count(); ++i) {
        TPlayer& car = players.Item(i);
        if (!car.Has(PlayerFlag::Seen)) {
            continue;
        }
        if (car.BattleScore > BattleThreshold) {
            car.BattleScore = BattleThreshold;
        } else if (car.BattleScore > DampFloor) {
            const int64_t score = car.BattleScore;
            car.BattleScore = static_cast<int32_t>(score * score / BattleThreshold);
        }
    }
}

void DetectBattle(TPlayers& players, const std::vector<int>& byPosition, bool stripShown,
                  TReadingResult& result) {
    if (players.Count() < 2) {
        return;
    }
    const std::size_t p = FindBattle(players, byPosition);
    if (p == 0) {
        return;
    }
    TPlayer& chaser = players.Item(byPosition[p]);
    const TPlayer& ahead = players.Item(byPosition[p - 1]);
    const auto position = static_cast<int32_t>(p);
    chaser.BattleScore = AnnouncedScore;
    // The strip hides the event line; a battle queued now would be stale when it returns.
    if (!stripShown) {
        result.Event("",
                     Boxed(position - 1, ahead.Driver) + "  <  " +
                         LapTimeText(chaser.TimeGapToPrev[0], true) + "  >  " + chaser.Driver +
                         " #" + std::to_string(position) + "#",
                     EventSeconds::Battle);
    }
    DampBattleScores(players);
}

void DetectRace(TPlayers& players, bool rankingOn, bool byClass, TReadingResult& result) {
    const std::vector<int> byPosition = players.SeenIndexByPosition(players.Count());
    const TRacePlaces places = RacePlaces(players, byClass);
    for (std::size_t p = 1; p < byPosition.size(); ++p) {
        if (byPosition[p] >= 0) {
            DetectRaceCar(players, players.Item(byPosition[p]), static_cast<int32_t>(p), places,
                          result);
        }
    }
    RememberClassBests(players, places.Bests);
    // A finisher of this reading has stopped the strip already.
    DetectBattle(players, byPosition, rankingOn && !result.StopRanking, result);
}

/// Practice, qualifying and the like: disqualifications and improved best laps only.
void DetectOtherSession(const TPlayers& players, TReadingResult& result) {
    const TGameSession& session = players.GameSession();
    for (int i = 0; i < players.Count(); ++i) {
        const TPlayer& car = players.Item(i);
        if (!car.Has(PlayerFlag::Seen)) {
            continue;
        }
        if (car.Has(PlayerFlag::FinishStatusChanged) && car.FinishStatus == TFinishStatus::Dq) {
            result.Event("DQ", car.Driver, EventSeconds::SessionDq);
            continue;
        }
        if (session.Session == TSessionKind::Warmup || !car.Has(PlayerFlag::BestLapImproved)) {
            continue;
        }
        const int32_t position = car.Position[0];
        std::string text = Boxed(position, car.Driver) + "  " + LapTimeText(car.BestLap);
        if (position > 1 && players.SessionBestTime() != 0.0) {
            const auto behind = static_cast<float>(car.BestLap - players.SessionBestTime());
            text += "  +" + LapTimeText(behind, true);
        }
        result.Event("", text, EventSeconds::ImprovedLap);
    }
}

} // namespace

std::string FinishOrdinal(int position) {
    switch (position) {
    case 1:
        return "Winner";
    case 2:
        return "2nd";
    case 3:
        return "3rd";
    default:
        return std::to_string(position) + "th";
    }
}

void DetectRaceEvents(TPlayers& players, bool rankingOn, TReadingResult& result, bool byClass) {
    if (players.GameSession().Session == TSessionKind::Race) {
        DetectRace(players, rankingOn, byClass, result);
        return;
    }
    DetectOtherSession(players, result);
}
