#include "tools/feed/racecar.h"

#include <algorithm>
#include <cmath>

namespace {

enum class Mark { SectorEnd, PitEntry, Box, PitExit };

struct NextMark {
    double distance;
    Mark kind;
};

// Absolute race distance of the next thing that changes the car's state.
NextMark FindNextMark(const Car& car, const TrackLayout& track) {
    const double lapBase = car.laps * track.length;
    NextMark next{lapBase + track.sectorEnd[car.sector], Mark::SectorEnd};
    auto consider = [&](double lapPoint, Mark kind) {
        const double at = lapBase + lapPoint;
        if (at > car.dist && at < next.distance)
            next = {at, kind};
    };
    if (car.pit == PitState::Track && car.wantsPit)
        consider(track.pitEntry, Mark::PitEntry);
    else if (car.pit == PitState::Entering)
        consider(track.pitBox, Mark::Box);
    else if (car.pit == PitState::Leaving)
        consider(track.pitExit, Mark::PitExit);
    return next;
}

double CurrentSpeed(const Car& car, const TrackLayout& track, double time, CarEvents& events) {
    const double speed = car.plannedSpeed * events.SpeedFactor(car, time);
    if (car.pit == PitState::Entering || car.pit == PitState::Leaving)
        return std::min(speed, track.pitSpeed);
    return speed;
}

void PlanSector(Car& car, const TrackLayout& track, double time, CarEvents& events) {
    const double seconds = std::max(1.0, events.SectorTime(car, car.sector, time));
    car.plannedSpeed = track.SectorLength(car.sector) / seconds;
}

void CompleteLap(Car& car, double time, CarEvents& events) {
    const double lap = time - car.lapStart;
    ++car.laps;
    car.lastLap = lap;
    car.lastSectors = car.curSectors;
    if (!car.outLap && (car.bestLap < 0.0 || lap < car.bestLap)) {
        car.bestLap = lap;
        car.bestSectors = car.curSectors;
        car.bestSetAt = time;
    }
    car.outLap = false;
    car.curSectors = {-1.0, -1.0, -1.0};
    car.lapStart = time;
    car.sector = 0;
    events.LapCompleted(car, time);
}

void CompleteSector(Car& car, const TrackLayout& track, double time, CarEvents& events) {
    car.curSectors[car.sector] = time - car.sectorStart;
    car.sectorStart = time;
    if (car.sector == 2)
        CompleteLap(car, time, events);
    else
        ++car.sector;
    PlanSector(car, track, time, events);
}

void HandleMark(Car& car, const TrackLayout& track, Mark kind, double time, CarEvents& events) {
    switch (kind) {
    case Mark::SectorEnd:
        CompleteSector(car, track, time, events);
        break;
    case Mark::PitEntry:
        car.pit = PitState::Entering;
        car.wantsPit = false;
        break;
    case Mark::Box:
        car.pit = PitState::Stopped;
        car.stopUntil = time;
        events.BoxReached(car, time);
        break;
    case Mark::PitExit:
        car.pit = PitState::Track;
        break;
    }
}

// A finished car stops adding race distance at the line; what it drives afterwards is shown
// separately, so finishers stay in the order they took the flag.
bool Parked(const Car& car) {
    return car.pit == PitState::Garage || car.finish == FinishState::Dnf ||
           car.finish == FinishState::Finished;
}

} // namespace

TrackLayout TrackLayout::Make(double length, double firstShare, double secondShare) {
    TrackLayout track;
    track.length = length;
    track.sectorEnd = {length * firstShare, length * (firstShare + secondShare), length};
    // Pit lane marks sit well inside the first and last sectors for any accepted length.
    track.pitEntry = length - std::min(250.0, length * 0.08);
    track.pitBox = std::min(50.0, length * 0.02);
    track.pitExit = std::min(250.0, length * 0.08);
    return track;
}

void Checkpoints::Record(double d0, double t0, double d1, double t1) {
    if (spacing_ <= 0.0 || d1 <= d0)
        return;
    tailDistance_ = d1;
    tailTime_ = t1;
    if (times_.empty())
        first_ = static_cast<long>(std::ceil((d0 - origin_) / spacing_));
    for (long k = first_ + static_cast<long>(times_.size());; ++k) {
        const double point = origin_ + static_cast<double>(k) * spacing_;
        if (point > d1)
            break;
        const double share = point <= d0 ? 0.0 : (point - d0) / (d1 - d0);
        times_.push_back(t0 + share * (t1 - t0));
    }
}

bool Checkpoints::TimeAt(double distance, double& time) const {
    if (times_.empty())
        return false;
    const double x = (distance - origin_) / spacing_;
    const long k = static_cast<long>(std::floor(x));
    const long index = k - first_;
    const long last = static_cast<long>(times_.size()) - 1;
    if (index < 0 || index > last)
        return false;
    if (index < last) {
        const double share = x - static_cast<double>(k);
        time = times_[index] + share * (times_[index + 1] - times_[index]);
        return true;
    }
    // Past the last point: the car's latest position closes the record, so the moment it
    // crossed the line is known exactly.
    const double lastPoint = origin_ + static_cast<double>(k) * spacing_;
    if (distance > tailDistance_)
        return false;
    const double span = tailDistance_ - lastPoint;
    const double share = span > 0.0 ? (distance - lastPoint) / span : 0.0;
    time = times_[last] + share * (tailTime_ - times_[last]);
    return true;
}

void MoveCar(Car& car, const TrackLayout& track, double time, double step, double limit,
             CarEvents& events) {
    const double end = time + step;
    car.held = false;
    // A handful of marks at most fit in one short step; the bound only guards against a loop.
    for (int guard = 0; guard < 32 && time < end; ++guard) {
        if (Parked(car))
            return;
        if (car.pit == PitState::Stopped) {
            if (car.stopUntil >= end)
                return;
            time = std::max(time, car.stopUntil);
            car.pit = PitState::Leaving;
            car.outLap = true;
            events.BoxLeft(car, time);
            continue;
        }
        if (limit <= car.dist) {
            car.held = true;
            return;
        }
        const double speed = CurrentSpeed(car, track, time, events);
        if (speed <= 0.0)
            return;
        const NextMark next = FindNextMark(car, track);
        const double target = std::min(next.distance, limit);
        const double reach = time + (target - car.dist) / speed;
        if (reach >= end) {
            const double to = car.dist + speed * (end - time);
            car.history.Record(car.dist, time, to, end);
            car.dist = to;
            return;
        }
        car.history.Record(car.dist, time, target, reach);
        car.dist = target;
        time = reach;
        if (target < next.distance) {
            car.held = true;
            return;
        }
        HandleMark(car, track, next.kind, time, events);
    }
}

void StartLapTiming(Car& car, const TrackLayout& track, double time, CarEvents& events) {
    car.lapStart = time;
    car.sectorStart = time;
    car.curSectors = {-1.0, -1.0, -1.0};
    PlanSector(car, track, time, events);
}

double LapDistance(const Car& car, const TrackLayout& track) {
    const double into = car.dist - car.laps * track.length;
    if (into < 0.0 && car.laps == 0)
        return std::max(0.0, track.length + into); // still behind the line on the grid
    return std::clamp(into, 0.0, track.length);
}

int SectorOfLap(double lapDistance, const TrackLayout& track) {
    if (lapDistance < track.sectorEnd[0])
        return 1;
    return lapDistance < track.sectorEnd[1] ? 2 : 3;
}
