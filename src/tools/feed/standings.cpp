#include "tools/feed/standings.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

int RaceGroup(const Car& car) {
    switch (car.finish) {
    case FinishState::Dnf:
        return 1;
    case FinishState::Dq:
        return 2;
    default:
        return 0;
    }
}

bool Classified(const Car& car) {
    return RaceGroup(car) == 0;
}

double FinishKey(const Car& car) {
    // Among cars with equal distance the earlier finisher is ahead; a car still running has
    // not finished yet, so it sorts after them.
    return car.finish == FinishState::Finished ? car.finishTime : 1e300;
}

int FullLapsBetween(double ahead, double behind, double trackLength) {
    // The tolerance keeps two cars that crossed the line on consecutive laps a whole lap apart
    // despite rounding in their distances.
    const double laps = std::floor((ahead - behind) / trackLength + 1e-9);
    return std::max(0, static_cast<int>(laps));
}

double RawGapToLeader(const Car& leader, const Car& car, double now, double nominalSpeed) {
    const double reference = car.finish == FinishState::Finished ? car.finishTime : now;
    double leaderThere = 0.0;
    if (leader.history.TimeAt(car.dist, leaderThere))
        return reference - leaderThere;
    return (leader.dist - car.dist) / nominalSpeed;
}

} // namespace

std::vector<int> RaceOrder(const std::vector<Car>& cars) {
    std::vector<int> order(cars.size());
    for (std::size_t i = 0; i < cars.size(); ++i)
        order[i] = static_cast<int>(i);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const Car& x = cars[a];
        const Car& y = cars[b];
        return std::make_tuple(RaceGroup(x), -x.dist, FinishKey(x), x.slot) <
               std::make_tuple(RaceGroup(y), -y.dist, FinishKey(y), y.slot);
    });
    return order;
}

std::vector<int> TimedOrder(const std::vector<Car>& cars) {
    std::vector<int> order(cars.size());
    for (std::size_t i = 0; i < cars.size(); ++i)
        order[i] = static_cast<int>(i);
    auto key = [&](int index) {
        const Car& car = cars[index];
        const bool timed = car.bestLap > 0.0;
        return std::make_tuple(car.finish == FinishState::Dq, !timed, timed ? car.bestLap : 0.0,
                               timed ? car.bestSetAt : 0.0, car.slot);
    };
    std::sort(order.begin(), order.end(), [&](int a, int b) { return key(a) < key(b); });
    return order;
}

std::vector<Gaps> RaceGaps(const std::vector<Car>& cars, const std::vector<int>& order,
                           double trackLength, double now, double nominalSpeed) {
    std::vector<Gaps> gaps(cars.size());
    if (order.empty())
        return gaps;
    const Car& leader = cars[order[0]];
    const bool leaderClassified = Classified(leader);
    double previousGap = 0.0;
    for (std::size_t p = 0; p < order.size(); ++p) {
        const Car& car = cars[order[p]];
        Gaps& gap = gaps[order[p]];
        if (p == 0) {
            gap.toLeader = leaderClassified ? 0.0 : -1.0;
            gap.toPrev = gap.toLeader;
            continue;
        }
        const Car& ahead = cars[order[p - 1]];
        gap.lapsToLeader = FullLapsBetween(leader.dist, car.dist, trackLength);
        gap.lapsToPrev = FullLapsBetween(ahead.dist, car.dist, trackLength);
        if (!leaderClassified || !Classified(car))
            continue; // retired cars keep -1: there is no time to compare
        const double raw = RawGapToLeader(leader, car, now, nominalSpeed);
        gap.toLeader = std::max(raw, previousGap);
        gap.toPrev = gap.toLeader - previousGap;
        previousGap = gap.toLeader;
    }
    return gaps;
}

std::vector<Gaps> TimedGaps(const std::vector<Car>& cars, const std::vector<int>& order) {
    std::vector<Gaps> gaps(cars.size());
    if (order.empty())
        return gaps;
    const double best = cars[order[0]].bestLap;
    double previous = best;
    for (std::size_t p = 0; p < order.size(); ++p) {
        const Car& car = cars[order[p]];
        if (car.bestLap <= 0.0 || best <= 0.0)
            continue;
        gaps[order[p]].toLeader = car.bestLap - best;
        gaps[order[p]].toPrev = car.bestLap - previous;
        previous = car.bestLap;
    }
    return gaps;
}
