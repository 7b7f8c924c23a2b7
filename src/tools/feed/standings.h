#pragma once
// Running order and the four gap values of every car, derived from the cars' state.

#include "tools/feed/racecar.h"

#include <vector>

struct Gaps {
    double toLeader = -1.0; ///< seconds; -1 when the car has no comparable time
    int lapsToLeader = 0;
    double toPrev = -1.0;
    int lapsToPrev = 0;
};

/// Race order as car indices: running and finished cars by distance covered (the earlier
/// finisher first on equal distance), then retired cars, then disqualified ones.
std::vector<int> RaceOrder(const std::vector<Car>& cars);

/// Timed-session order: cars with a best lap, fastest first, then the rest by slot.
std::vector<int> TimedOrder(const std::vector<Car>& cars);

/// Race gaps, indexed like `cars`. The time gap is how long ago the leader was where the car
/// is now (where it crossed the line, once finished); before the leader has such a record it
/// is the distance at `nominalSpeed`. Time gaps never shrink down the order, so the gap to the
/// car ahead is exactly the difference of the two gaps to the leader.
std::vector<Gaps> RaceGaps(const std::vector<Car>& cars, const std::vector<int>& order,
                           double trackLength, double now, double nominalSpeed);

/// Timed-session gaps: differences of best laps, -1 for cars without one.
std::vector<Gaps> TimedGaps(const std::vector<Car>& cars, const std::vector<int>& order);
