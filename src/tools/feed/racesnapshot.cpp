// What a simulated session shows in the live file at one moment.

#include "tools/feed/racesim.h"

#include "tools/feed/standings.h"

#include <algorithm>
#include <cmath>

namespace {

const char* FinishText(FinishState state) {
    switch (state) {
    case FinishState::Finished:
        return "Finished";
    case FinishState::Dnf:
        return "DNF";
    case FinishState::Dq:
        return "DQ";
    case FinishState::None:
        break;
    }
    return "None";
}

} // namespace

std::string RaceSim::GamePhase() const {
    switch (phase_) {
    case Phase::Countdown:
        return "Countdown";
    case Phase::Formation:
        return "FormationLap";
    case Phase::Green:
        return "GreenFlag";
    case Phase::Yellow:
        return "FullCourseYellow";
    case Phase::Checkered:
        return "Checkered";
    case Phase::Over:
        break;
    }
    return "SessionOver";
}

std::string RaceSim::YellowFlagText() const {
    if (phase_ != Phase::Yellow)
        return "None";
    const double share = (SessionTime() - yellowStart_) / yellowLength_;
    if (share < 0.15)
        return "Declared";
    if (share < 0.45)
        return "Pits Closed";
    return share < 0.85 ? "Pits Open" : "Ending";
}

std::vector<int> RaceSim::Classification() const {
    return IsRace() ? RaceOrder(cars_) : TimedOrder(cars_);
}

double RaceSim::FormationProgress() const {
    const double span = greenAt_ - formationStart_;
    return std::clamp((SessionTime() - formationStart_) / span, 0.0, 1.0);
}

double RaceSim::ShownLapDistance(const Car& car) const {
    if (car.finish == FinishState::Finished && car.pit == PitState::Track)
        return std::fmod(car.coolDown, track_.length); // slowing down after the flag
    const double distance = LapDistance(car, track_);
    if (IsRace() && phase_ == Phase::Formation)
        return std::fmod(distance + FormationProgress() * track_.length, track_.length);
    return distance;
}

FeedSlotValues RaceSim::SlotValues(const Car& car) const {
    const Entrant& entrant = entrants_[car.slot];
    FeedSlotValues slot;
    slot.driver = entrant.driver;
    slot.vehicle = entrant.vehicle;
    slot.vehicleClass = entrant.vehicleClass;
    slot.laps = car.laps;
    slot.lapDistanceTravelled = ShownLapDistance(car);
    slot.inSector = SectorOfLap(slot.lapDistanceTravelled, track_);
    slot.bestLap = car.bestLap;
    slot.lastLap = car.lastLap;
    slot.bestSectors = car.bestSectors;
    slot.lastLapSectors = car.lastSectors;
    slot.pitstops = car.pitstops;
    slot.inPits = car.pit != PitState::Track;
    slot.finishStatus = FinishText(car.finish);
    return slot;
}

FeedSnapshot RaceSim::Snapshot() const {
    const double time = SessionTime();
    FeedSnapshot snapshot;
    FeedSessionValues& session = snapshot.session;
    session.scene = scene_;
    session.trackLength = track_.length;
    session.sessionTime = time;
    session.lengthLaps = IsRace() ? settings_.laps : 0;
    session.ambientTemp = ambient_ + 0.8 * time / 3600.0;
    session.trackTemp = session.ambientTemp + trackDelta_ * (1.0 + 0.2 * time / 3600.0);
    session.session = std::string(SessionText(settings_.kind));
    session.gamePhase = GamePhase();
    session.yellowFlag = YellowFlagText();

    const std::vector<int> order = Classification();
    const std::vector<Gaps> gaps = IsRace()
                                       ? RaceGaps(cars_, order, track_.length, time, nominalSpeed_)
                                       : TimedGaps(cars_, order);
    snapshot.slots.reserve(cars_.size());
    for (const Car& car : cars_)
        snapshot.slots.push_back(SlotValues(car));
    for (std::size_t place = 0; place < order.size(); ++place) {
        FeedSlotValues& slot = snapshot.slots[order[place]];
        const Gaps& gap = gaps[order[place]];
        slot.position = static_cast<int>(place) + 1;
        slot.timeGapToLider = gap.toLeader;
        slot.lapGapToLider = gap.lapsToLeader;
        slot.timeGapToPrev = gap.toPrev;
        slot.lapGapToPrev = gap.lapsToPrev;
    }
    return snapshot;
}
