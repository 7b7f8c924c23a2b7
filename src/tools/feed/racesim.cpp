#include "tools/feed/racesim.h"

#include "tools/feed/standings.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double ReferenceSpeed = 52.0; // metres per second over a lap: a quick GT car
constexpr double GridSpacing = 12.0;    // single file, so a rolling start needs no lanes
constexpr double CloseFollow = 8.0;     // how close a car may get to one it cannot pass...
constexpr double LooseFollow = 30.0;    // ...and how far back it may hang
constexpr double WakeDistance = 26.0;   // about half a second: close enough to lose grip
constexpr double WakeLoss = 0.006;
constexpr double CountdownSeconds = 30.0;
constexpr double FormationPace = 0.5; // share of racing speed behind the pace car
constexpr double StartRamp = 6.0;     // seconds from the green flag to full speed
constexpr double YellowPace = 0.6;
constexpr double SectorNoise = 0.0035;
constexpr double MistakeChance = 0.015;
constexpr double NoLimit = std::numeric_limits<double>::infinity();
// Each class is this much slower a lap than the one before, as neighbouring classes of an
// endurance race are: a 20-lap race sees the first class lap the second, and the slow cars of a
// class still meet the quick ones of the next, so a pit stop mixes them in the order.
constexpr double ClassStep = 1.04;
// A car of a slower class lets a faster one by, so such a pass is seen through even when the
// faster car needs longer than the few seconds a pass among equals is given.
constexpr double ClassPassSeconds = 30.0;
constexpr double PassSeconds = 4.0;

// Relative pace of each driver: up to 2.5% off the quickest, with a few pairs matched so
// closely that they run together for many laps.
std::vector<double> DriverPace(int count, std::uint64_t rosterSeed) {
    FeedRandom random(FeedRandom::Derive(rosterSeed, 3));
    std::vector<double> pace(count);
    for (double& p : pace)
        p = random.Uniform(0.0, 0.025);
    std::vector<int> byPace(count);
    for (int i = 0; i < count; ++i)
        byPace[i] = i;
    std::sort(byPace.begin(), byPace.end(), [&](int a, int b) { return pace[a] < pace[b]; });
    for (int pair = 0; pair < 3 && count >= 2; ++pair) {
        const int k = random.Below(count - 1);
        pace[byPace[k + 1]] = pace[byPace[k]] + random.Uniform(0.0002, 0.0008);
    }
    return pace;
}

// Each class draws its drivers' spread from a stream of its own, so the closely matched pairs
// run in the same class, where they can race each other.
std::vector<double> ClassDriverPace(const std::vector<int>& classOf, int classes,
                                    std::uint64_t rosterSeed) {
    std::vector<double> pace(classOf.size());
    for (int k = 0; k < classes; ++k) {
        std::vector<std::size_t> slots;
        for (std::size_t i = 0; i < classOf.size(); ++i)
            if (classOf[i] == k)
                slots.push_back(i);
        const std::vector<double> own =
            DriverPace(static_cast<int>(slots.size()), FeedRandom::Derive(rosterSeed, 0xC1A55 + k));
        for (std::size_t j = 0; j < slots.size(); ++j)
            pace[slots[j]] = own[j];
    }
    return pace;
}

// Repeated products rather than std::pow: the same numbers from every maths library.
double ClassFactor(int carClass) {
    double factor = 1.0;
    for (int k = 0; k < carClass; ++k)
        factor *= ClassStep;
    return factor;
}

bool IsPermutation(const std::vector<int>& grid, int count) {
    if (static_cast<int>(grid.size()) != count)
        return false;
    std::vector<bool> seen(count, false);
    for (int index : grid) {
        if (index < 0 || index >= count || seen[index])
            return false;
        seen[index] = true;
    }
    return true;
}

} // namespace

double DefaultMinutes(SessionKind kind) {
    switch (kind) {
    case SessionKind::Practice:
        return 20.0;
    case SessionKind::Qualify:
        return 15.0;
    case SessionKind::Warmup:
        return 10.0;
    case SessionKind::Race:
        break;
    }
    return 0.0;
}

RaceSim::RaceSim(const SimSettings& settings)
    : settings_(settings), random_(FeedRandom::Derive(settings.seed, 1)) {
    if (!settings_.classes.empty())
        settings_.cars = CountCars(settings_.classes);
    settings_.cars = std::clamp(settings_.cars, 1, MaxCars);
    settings_.laps = std::max(1, settings_.laps);
    entrants_ = BuildRoster(settings_.cars, settings_.rosterSeed);
    const std::vector<int> classOf = ClassOfSlots(settings_.classes, settings_.cars);
    if (!settings_.classes.empty()) {
        for (int i = 0; i < settings_.cars; ++i)
            entrants_[i].vehicleClass = settings_.classes[classOf[i]].name;
    }
    scene_ = PickScene(settings_.rosterSeed);
    FeedRandom venue(FeedRandom::Derive(settings_.rosterSeed, 7));
    const double first = venue.Uniform(0.30, 0.36);
    track_ = TrackLayout::Make(settings_.trackLength, first, venue.Uniform(0.30, 0.36));
    nominalSpeed_ = ReferenceSpeed;
    ambient_ = random_.Uniform(15.0, 28.0);
    trackDelta_ = random_.Uniform(5.0, 14.0);
    // Without classes the single field draws exactly as it always has, so a seed keeps its race.
    const std::vector<double> pace =
        settings_.classes.empty()
            ? DriverPace(settings_.cars, settings_.rosterSeed)
            : ClassDriverPace(classOf, static_cast<int>(settings_.classes.size()),
                              settings_.rosterSeed);
    const double referenceLap = track_.length / nominalSpeed_;
    cars_.resize(settings_.cars);
    for (int i = 0; i < settings_.cars; ++i) {
        cars_[i].slot = i;
        cars_[i].carClass = classOf[i];
        cars_[i].baseLap = referenceLap * ClassFactor(classOf[i]) * (1.0 + pace[i]);
    }
    if (IsRace())
        SetUpRace();
    else
        SetUpTimedSession();
}

std::vector<int> RaceSim::PaceGrid() {
    std::vector<double> qualifying(cars_.size());
    for (std::size_t i = 0; i < cars_.size(); ++i)
        qualifying[i] = cars_[i].baseLap * (1.0 + random_.Uniform(-0.004, 0.004));
    std::vector<int> grid(cars_.size());
    for (std::size_t i = 0; i < grid.size(); ++i)
        grid[i] = static_cast<int>(i);
    std::sort(grid.begin(), grid.end(),
              [&](int a, int b) { return qualifying[a] < qualifying[b]; });
    return grid;
}

void RaceSim::SetUpRace() {
    const int count = settings_.cars;
    std::vector<int> grid = IsPermutation(settings_.grid, count) ? settings_.grid : PaceGrid();
    // A multi-class grid lines up class by class, fastest class in front, each in its own order.
    std::stable_sort(grid.begin(), grid.end(),
                     [&](int a, int b) { return cars_[a].carClass < cars_[b].carClass; });
    const double origin = -(GridSpacing * (count + 1) + 100.0);
    for (int row = 0; row < count; ++row) {
        Car& car = cars_[grid[row]];
        car.dist = -GridSpacing * (row + 1);
        car.history = Checkpoints(origin, 10.0);
    }
    phase_ = Phase::Countdown;
    formationStart_ = CountdownSeconds;
    greenAt_ = formationStart_ + track_.length / (nominalSpeed_ * FormationPace);
    sessionLength_ = settings_.minutes * 60.0;
    const double expected = settings_.laps * track_.length / nominalSpeed_;
    hardStop_ = greenAt_ + expected * 2.5 + 600.0;
    if (sessionLength_ > 0.0)
        hardStop_ = std::min(hardStop_,
                             greenAt_ + sessionLength_ + 3.0 * expected / settings_.laps + 600.0);
    PlanRaceIncidents();
}

void RaceSim::PlanRaceIncidents() {
    const int laps = settings_.laps;
    const int count = settings_.cars;
    const double referenceLap = track_.length / nominalSpeed_;
    if (laps >= 4) {
        const int first = std::max(2, laps * 3 / 10);
        int planned = 0;
        for (Car& car : cars_) {
            if (random_.Chance(0.6)) {
                car.pitLap = first + random_.Below(laps - 2 - first + 1);
                ++planned;
            }
        }
        // Every race shows some stops, even when the dice say otherwise.
        for (int guard = 0; planned < std::min(2, count) && guard < 1000; ++guard) {
            Car& car = cars_[random_.Below(count)];
            if (car.pitLap < 0) {
                car.pitLap = first + random_.Below(laps - 2 - first + 1);
                ++planned;
            }
        }
        yellowAt_ = (1 + random_.Below(laps - 3) + random_.Uniform(0.1, 0.9)) * track_.length;
        yellowLength_ = random_.Uniform(0.7, 1.1) * referenceLap;
    }
    const double expected = laps * referenceLap;
    if (count >= 3) {
        retireCar_ = random_.Below(count);
        retireAt_ = greenAt_ + random_.Uniform(0.15, 0.85) * expected;
    }
    if (count >= 4 && random_.Chance(0.2)) {
        disqualifyCar_ = (retireCar_ + 1 + random_.Below(count - 1)) % count;
        disqualifyAt_ = greenAt_ + random_.Uniform(0.3, 0.7) * expected;
    }
}

void RaceSim::SetUpTimedSession() {
    const double minutes =
        settings_.minutes > 0.0 ? settings_.minutes : DefaultMinutes(settings_.kind);
    sessionLength_ = minutes * 60.0;
    phase_ = Phase::Green;
    greenAt_ = 0.0;
    // Everyone starts in the garage and goes out at a moment of their own.
    for (Car& car : cars_) {
        car.dist = track_.pitBox;
        car.pit = PitState::Stopped;
        car.stopUntil = random_.Uniform(0.0, 0.25 * sessionLength_);
    }
    hardStop_ = sessionLength_ + 4.0 * track_.length / nominalSpeed_ + 600.0;
}

std::string RaceSim::Step(double seconds) {
    requested_ += std::max(0.0, seconds);
    // Whole ticks only: the state after a given session time does not depend on the steps.
    const long target = static_cast<long>(std::floor(requested_ / TickSeconds + 1e-6));
    while (ticks_ < target && !over_)
        Tick();
    return LiveText();
}

void RaceSim::Tick() {
    const double time = SessionTime();
    AdvancePhase(time);
    if (phase_ == Phase::Green || phase_ == Phase::Yellow || phase_ == Phase::Checkered) {
        MoveField(time);
        RunIncidents(time);
    }
    ++ticks_;
    UpdateOver(SessionTime());
}

void RaceSim::AdvancePhase(double time) {
    switch (phase_) {
    case Phase::Countdown:
        if (time >= formationStart_)
            phase_ = Phase::Formation;
        break;
    case Phase::Formation:
        if (time >= greenAt_)
            StartGreen(time);
        break;
    case Phase::Green:
        if (!IsRace() && time >= sessionLength_) {
            timeUp_ = true;
            phase_ = Phase::Checkered;
        } else if (IsRace() && yellowAt_ >= 0.0) {
            const auto leader = std::max_element(cars_.begin(), cars_.end(),
                                                 [](auto& a, auto& b) { return a.dist < b.dist; });
            if (leader->dist >= yellowAt_) {
                phase_ = Phase::Yellow;
                yellowStart_ = time;
                yellowEnd_ = time + yellowLength_;
                yellowAt_ = -1.0;
            }
        }
        break;
    case Phase::Yellow:
        if (time >= yellowEnd_)
            phase_ = Phase::Green;
        break;
    default:
        break;
    }
    if (timeUp_) {
        for (Car& car : cars_) {
            if (car.pit == PitState::Stopped)
                car.pit = PitState::Garage;
        }
    }
}

void RaceSim::StartGreen(double time) {
    phase_ = Phase::Green;
    for (Car& car : cars_)
        StartLapTiming(car, track_, time, *this);
}

void RaceSim::MoveField(double time) {
    std::vector<int> running;
    for (Car& car : cars_) {
        if (car.finish == FinishState::Finished) {
            if (car.pit == PitState::Track)
                car.coolDown += nominalSpeed_ * 0.5 * TickSeconds;
        } else if (car.finish == FinishState::None && car.pit == PitState::Track) {
            running.push_back(car.slot);
        } else {
            MoveCar(car, track_, time, TickSeconds, NoLimit, *this);
        }
    }
    std::sort(running.begin(), running.end(), [&](int a, int b) {
        return cars_[a].dist > cars_[b].dist || (cars_[a].dist == cars_[b].dist && a < b);
    });
    // Front to back, each car may close up on the one ahead but not drive through it unless
    // it has earned a pass.
    for (std::size_t k = 0; k < running.size(); ++k) {
        Car& car = cars_[running[k]];
        double limit = NoLimit;
        car.inWake = false;
        if (k > 0) {
            const Car& ahead = cars_[running[k - 1]];
            const bool passing = car.passTarget == ahead.slot && car.passUntil > time;
            if (!passing)
                limit = ahead.dist - car.followGap;
            car.inWake = ahead.dist - car.dist < WakeDistance;
        }
        const int sector = car.sector;
        MoveCar(car, track_, time, TickSeconds, limit, *this);
        // A new following distance each sector, so a queue of cars does not look drilled.
        if (car.sector != sector)
            car.followGap = random_.Uniform(CloseFollow, LooseFollow);
        if (car.held && k > 0)
            MaybePass(car, cars_[running[k - 1]], time);
    }
}

void RaceSim::MaybePass(Car& car, const Car& ahead, double time) {
    if (phase_ != Phase::Green)
        return; // no overtaking under yellow
    const double edge = std::max(0.0, car.plannedSpeed / ahead.plannedSpeed - 1.0);
    if (random_.Chance(TickSeconds * (0.012 + 3.0 * edge))) {
        car.passTarget = ahead.slot;
        car.passUntil = time + (ahead.carClass > car.carClass ? ClassPassSeconds : PassSeconds);
    }
}

void RaceSim::RunIncidents(double time) {
    if (!IsRace() || (phase_ != Phase::Green && phase_ != Phase::Yellow))
        return;
    if (retireCar_ >= 0 && time >= retireAt_) {
        Car& car = cars_[retireCar_];
        if (car.finish != FinishState::None) {
            retireCar_ = -1;
        } else if (car.pit == PitState::Track) { // a car in the pits retires once out again
            car.finish = FinishState::Dnf;
            car.finishTime = time;
            car.wantsPit = false;
            retireCar_ = -1;
        }
    }
    if (disqualifyCar_ >= 0 && time >= disqualifyAt_) {
        Car& car = cars_[disqualifyCar_];
        if (car.finish == FinishState::None) {
            // Called in: the car drives to its garage and stays there.
            car.finish = FinishState::Dq;
            car.finishTime = time;
            car.wantsPit = true;
        }
        disqualifyCar_ = -1;
    }
}

void RaceSim::UpdateOver(double time) {
    if (over_)
        return;
    bool done = true;
    for (const Car& car : cars_) {
        const bool finished = car.finish != FinishState::None;
        done = done && (IsRace() ? finished : finished || car.pit == PitState::Garage);
    }
    if (!IsRace())
        done = done && timeUp_;
    if (IsRace())
        done = done && phase_ == Phase::Checkered;
    if (done || time >= hardStop_) {
        over_ = true;
        phase_ = Phase::Over;
    }
}

bool RaceSim::LeadsRace(const Car& car) const {
    return std::none_of(cars_.begin(), cars_.end(), [&](const Car& other) {
        return other.finish == FinishState::None && other.dist > car.dist;
    });
}

void RaceSim::LapCompleted(Car& car, double time) {
    if (car.finish != FinishState::None)
        return;
    auto takeFlag = [&] {
        car.finish = FinishState::Finished;
        car.finishTime = time;
        car.wantsPit = false;
        car.coolDown = 0.0;
    };
    if (IsRace()) {
        const bool timeOver = sessionLength_ > 0.0 && time - greenAt_ >= sessionLength_;
        if (phase_ == Phase::Checkered || car.laps >= settings_.laps ||
            (timeOver && LeadsRace(car))) {
            takeFlag();
            phase_ = Phase::Checkered;
        } else if (car.pitLap == car.laps + 1) {
            car.wantsPit = true;
        }
        return;
    }
    if (timeUp_) {
        takeFlag();
        return;
    }
    if (car.pit != PitState::Track)
        return;
    if (car.runLaps > 0)
        --car.runLaps;
    if (car.runLaps == 0)
        car.wantsPit = true; // this is the in-lap
}

void RaceSim::BoxReached(Car& car, double time) {
    if (car.finish != FinishState::None || (!IsRace() && timeUp_)) {
        car.pit = PitState::Garage;
        return;
    }
    ++car.pitstops;
    car.stopUntil = time + (IsRace() ? random_.Uniform(7.0, 16.0) : random_.Uniform(50.0, 200.0));
}

void RaceSim::BoxLeft(Car& car, double time) {
    if (IsRace())
        return; // the stop is part of the lap
    StartLapTiming(car, track_, time, *this);
    car.runLaps = 3 + random_.Below(4); // the out-lap, then two to five flying laps
}

double RaceSim::Grip(double time) const {
    if (IsRace()) {
        const double expected = settings_.laps * track_.length / nominalSpeed_;
        return 1.004 - 0.004 * std::clamp((time - greenAt_) / expected, 0.0, 1.0);
    }
    // Rubber goes down through a session, so best laps keep coming.
    const double left = 1.0 - std::clamp(time / sessionLength_, 0.0, 1.0);
    switch (settings_.kind) {
    case SessionKind::Qualify:
        return 0.996 + 0.006 * left;
    case SessionKind::Warmup:
        return 1.003 + 0.008 * left;
    default:
        return 1.0 + 0.015 * left;
    }
}

double RaceSim::SectorTime(const Car& car, int sector, double time) {
    const double share = track_.SectorLength(sector) / track_.length;
    double effort = 1.0;
    if (car.outLap)
        effort = 1.07;
    else if (car.wantsPit || car.finish == FinishState::Dq)
        effort = 1.05;
    double seconds = car.baseLap * share * Grip(time) * effort;
    seconds *= 1.0 + SectorNoise * random_.Bell();
    if (random_.Chance(MistakeChance))
        seconds += random_.Uniform(0.4, 2.5);
    return seconds;
}

double RaceSim::SpeedFactor(const Car& car, double time) {
    double factor = 1.0;
    if (IsRace() && time - greenAt_ < StartRamp)
        factor = FormationPace + (1.0 - FormationPace) * std::max(0.0, time - greenAt_) / StartRamp;
    if (phase_ == Phase::Yellow)
        factor = std::min(factor, YellowPace);
    if (car.inWake)
        factor *= 1.0 - WakeLoss;
    return factor;
}
