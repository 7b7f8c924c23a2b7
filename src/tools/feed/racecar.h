#pragma once
// One simulated car and how it moves along the track: constant speed through each sector,
// exact crossing times for sectors, laps and pit lane marks, so lap and sector times add up.

#include <array>
#include <string>
#include <vector>

/// Where things are on one lap, in metres from the start/finish line.
struct TrackLayout {
    double length = 5500.0;
    std::array<double, 3> sectorEnd{}; ///< the last one is the line itself
    double pitEntry = 0.0;             ///< pit lane starts before the line
    double pitBox = 0.0;               ///< boxes lie just after the line
    double pitExit = 0.0;
    double pitSpeed = 22.0; ///< pit lane limit, metres per second

    static TrackLayout Make(double length, double firstShare, double secondShare);
    double SectorLength(int sector) const {
        return sector == 0 ? sectorEnd[0] : sectorEnd[sector] - sectorEnd[sector - 1];
    }
};

enum class PitState { Track, Entering, Stopped, Leaving, Garage };
enum class FinishState { None, Finished, Dnf, Dq };

/// Times at which a car passed evenly spaced points of race distance. Gaps between cars are
/// read from the leader's record: the gap is how long ago the leader was where this car is.
class Checkpoints {
  public:
    Checkpoints(double origin, double spacing) : origin_(origin), spacing_(spacing) {}
    /// Notes the points passed while moving from d0 at t0 to d1 at t1 at constant speed.
    void Record(double d0, double t0, double d1, double t1);
    /// When the car was at `distance`; false if it has no record that covers it.
    bool TimeAt(double distance, double& time) const;
    bool Empty() const { return times_.empty(); }

  private:
    double origin_;
    double spacing_;
    long first_ = 0;
    std::vector<double> times_;
    double tailDistance_ = 0.0; ///< the latest position recorded, and when
    double tailTime_ = 0.0;
};

struct Car {
    int slot = 0;
    int carClass = 0;       ///< 0: the fastest class
    double baseLap = 100.0; ///< a clean lap on a fully rubbered track, seconds
    double dist = 0.0;      ///< metres since the start line (negative on the grid)
    int laps = 0;
    int sector = 0; ///< 0..2
    double plannedSpeed = 50.0;
    double lapStart = 0.0;
    double sectorStart = 0.0;
    std::array<double, 3> curSectors{-1.0, -1.0, -1.0};
    double lastLap = -1.0;
    double bestLap = -1.0;
    double bestSetAt = 0.0;
    std::array<double, 3> lastSectors{-1.0, -1.0, -1.0};
    std::array<double, 3> bestSectors{-1.0, -1.0, -1.0};
    bool outLap = false; ///< the lap began in the pits; it cannot be a best lap
    PitState pit = PitState::Track;
    bool wantsPit = false;
    double stopUntil = 0.0;
    int pitstops = 0;
    FinishState finish = FinishState::None;
    double finishTime = 0.0;
    double coolDown = 0.0;   ///< metres driven after taking the flag
    bool held = false;       ///< stuck behind the car ahead during the last move
    bool inWake = false;     ///< close behind another car, losing a little speed
    double followGap = 10.0; ///< how close it dares to follow, metres; varies through a lap
    double passUntil = -1.0;
    int passTarget = -1;
    int pitLap = -1; ///< race: the lap at whose end the car stops
    int runLaps = 0; ///< practice: laps left in the current run
    Checkpoints history{0.0, 10.0};
};

/// What the session decides while a car moves.
class CarEvents {
  public:
    virtual ~CarEvents() = default;
    /// Seconds the car means to take through `sector`, planned as it enters it.
    virtual double SectorTime(const Car& car, int sector, double time) = 0;
    /// Multiplier on track speed at this moment (start, full-course yellow).
    virtual double SpeedFactor(const Car& car, double time) = 0;
    virtual void LapCompleted(Car& car, double time) = 0;
    /// The car has reached its box: set stopUntil, or park it in the garage.
    virtual void BoxReached(Car& car, double time) = 0;
    virtual void BoxLeft(Car& car, double time) = 0;
};

/// Moves the car from `time` for `step` seconds without passing race distance `limit`.
void MoveCar(Car& car, const TrackLayout& track, double time, double step, double limit,
             CarEvents& events);

/// Starts timing a fresh lap at `time` and plans the first sector.
void StartLapTiming(Car& car, const TrackLayout& track, double time, CarEvents& events);

/// Distance into the current lap as the file shows it: 0..length.
double LapDistance(const Car& car, const TrackLayout& track);

/// 1, 2 or 3.
int SectorOfLap(double lapDistance, const TrackLayout& track);
