#include "core/live/classstandings.h"

#include "core/live/laptime.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

/// Laps and the part of the current lap covered, when the file tells where the car is.
std::optional<double> Progress(const TPlayer& car, double trackLength) {
    const double distance = car.LapDistanceTravelled[0];
    if (trackLength <= 0.0 || distance < 0.0) {
        return std::nullopt;
    }
    return car.Laps + std::min(distance / trackLength, 1.0);
}

TClassGap GapBehind(const TPlayer& ahead, const TPlayer& car, double trackLength) {
    TClassGap gap;
    const std::optional<double> from = Progress(ahead, trackLength);
    const std::optional<double> to = Progress(car, trackLength);
    if (from && to) {
        gap.Laps = std::max(0, static_cast<int32_t>(std::floor(*from - *to + 1e-9)));
    } else {
        gap.Laps = std::max(0, car.LapGapToLider - ahead.LapGapToLider);
    }
    const bool timed = car.TimeGapToLider >= 0.0f && ahead.TimeGapToLider >= 0.0f;
    gap.Time = timed ? std::max(0.0f, car.TimeGapToLider - ahead.TimeGapToLider) : -1.0f;
    return gap;
}

} // namespace

std::vector<const TPlayer*> StandingOrder(const TPlayers& players) {
    std::vector<std::pair<int32_t, int>> byPosition;
    for (int i = 0; i < players.Count(); ++i) {
        const TPlayer& record = players.Item(i);
        if (record.Has(PlayerFlag::Seen) && record.Position[0] >= 1) {
            byPosition.emplace_back(record.Position[0], i);
        }
    }
    std::sort(byPosition.begin(), byPosition.end());
    std::vector<const TPlayer*> order;
    order.reserve(byPosition.size());
    for (std::size_t k = 0; k < byPosition.size(); ++k) {
        if (k > 0 && byPosition[k].first == byPosition[k - 1].first) {
            continue;
        }
        order.push_back(&players.Item(byPosition[k].second));
    }
    return order;
}

std::vector<TClassPlace> ClassPlaces(const std::vector<const TPlayer*>& order,
                                     const TGameSession& session) {
    const double trackLength = session.Session == TSessionKind::Race ? session.TrackLength : 0.0;
    struct TClassSoFar {
        const std::string* Name = nullptr;
        int32_t Cars = 0;
        const TPlayer* Leader = nullptr;
        const TPlayer* Last = nullptr;
    };
    // A field has a handful of classes: a list is quicker to search than a map.
    std::vector<TClassSoFar> classes;
    std::vector<TClassPlace> places;
    places.reserve(order.size());
    for (const TPlayer* car : order) {
        auto found = std::find_if(classes.begin(), classes.end(), [car](const TClassSoFar& c) {
            return *c.Name == car->VehicleClass;
        });
        const bool isNew = found == classes.end();
        if (isNew) {
            found = classes.insert(classes.end(), TClassSoFar{&car->VehicleClass, 0, car, car});
        }
        TClassSoFar& so = *found;
        TClassPlace place;
        place.Class = car->VehicleClass;
        place.ClassNumber = static_cast<int>(found - classes.begin());
        place.Position = ++so.Cars;
        if (!isNew) {
            place.ToLeader = GapBehind(*so.Leader, *car, trackLength);
            place.ToAhead = GapBehind(*so.Last, *car, trackLength);
        }
        so.Last = car;
        places.push_back(std::move(place));
    }
    return places;
}

std::vector<std::string> ClassesInOrder(const std::vector<TClassPlace>& places) {
    std::vector<std::string> names;
    for (const TClassPlace& place : places) {
        if (place.ClassNumber == static_cast<int>(names.size())) {
            names.push_back(place.Class);
        }
    }
    return names;
}

std::vector<TClassBest> ClassBestLaps(const TPlayers& players) {
    std::vector<TClassBest> bests;
    for (int i = 0; i < players.Count(); ++i) {
        const TPlayer& car = players.Item(i);
        if (!car.Has(PlayerFlag::Seen)) {
            continue;
        }
        auto best = std::find_if(bests.begin(), bests.end(), [&car](const TClassBest& b) {
            return b.Class == car.VehicleClass;
        });
        if (best == bests.end()) {
            best = bests.insert(bests.end(), TClassBest{car.VehicleClass});
        }
        if (car.BestLap > 0.0f && (best->Record < 0 || car.BestLap < best->BestLap)) {
            best->Record = i;
            best->BestLap = car.BestLap;
        }
    }
    return bests;
}

std::string ClassGapText(const TClassPlace& place, const TClassGap& gap) {
    return place.Position <= 1 ? std::string() : GapBehindText(gap.Laps, gap.Time);
}
