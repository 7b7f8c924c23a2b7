#pragma once
// A deterministic simulated session: practice, qualifying, warm-up or a race, advanced in
// fixed ticks of session time, so the same seed gives the same session however it is stepped.

#include "tools/feed/carclasses.h"
#include "tools/feed/feedrandom.h"
#include "tools/feed/racecar.h"
#include "tools/feed/roster.h"
#include "tools/feed/sessionkind.h"
#include "tools/feed/snapshottext.h"

#include <cstdint>
#include <string>
#include <vector>

struct SimSettings {
    SessionKind kind = SessionKind::Race;
    int cars = 20;
    int laps = 10;
    /// Length of a timed session; in a race a time limit after which the leader takes the
    /// flag at the line (0: none). 0 in a timed session means its usual length.
    double minutes = 0.0;
    double trackLength = 5500.0;
    std::uint64_t seed = 1;       ///< this session's events and lap times
    std::uint64_t rosterSeed = 1; ///< drivers, cars and venue; kept through a weekend
    std::vector<int> grid;        ///< race start order as car indices; empty: by pace
    /// Fastest first; when given, they set the number of cars. Empty: one class, "GT-X".
    std::vector<CarClass> classes;
};

/// Default length in minutes of a timed session of `kind`.
double DefaultMinutes(SessionKind kind);

class RaceSim : private CarEvents {
  public:
    static constexpr double TickSeconds = 0.1;

    explicit RaceSim(const SimSettings& settings);

    /// Advances the session by `seconds` of session time and returns the live file text.
    std::string Step(double seconds);
    /// The live file text of the current moment.
    std::string LiveText() const { return FormatLiveText(Snapshot()); }
    FeedSnapshot Snapshot() const;

    /// The session has ended: every car took the flag, retired or is parked after the time.
    bool Over() const { return over_; }
    double SessionTime() const { return static_cast<double>(ticks_) * TickSeconds; }
    std::string GamePhase() const;
    /// Car indices from first to last place.
    std::vector<int> Classification() const;
    const std::vector<Entrant>& Entrants() const { return entrants_; }

  private:
    enum class Phase { Countdown, Formation, Green, Yellow, Checkered, Over };

    void SetUpRace();
    void SetUpTimedSession();
    void PlanRaceIncidents();
    std::vector<int> PaceGrid();
    void Tick();
    void AdvancePhase(double time);
    void StartGreen(double time);
    void MoveField(double time);
    void MaybePass(Car& car, const Car& ahead, double time);
    void RunIncidents(double time);
    void UpdateOver(double time);
    bool IsRace() const { return settings_.kind == SessionKind::Race; }
    bool LeadsRace(const Car& car) const;
    double FormationProgress() const;
    double Grip(double time) const;
    FeedSlotValues SlotValues(const Car& car) const;
    double ShownLapDistance(const Car& car) const;
    std::string YellowFlagText() const;

    double SectorTime(const Car& car, int sector, double time) override;
    double SpeedFactor(const Car& car, double time) override;
    void LapCompleted(Car& car, double time) override;
    void BoxReached(Car& car, double time) override;
    void BoxLeft(Car& car, double time) override;

    SimSettings settings_;
    TrackLayout track_;
    FeedRandom random_;
    std::vector<Entrant> entrants_;
    std::vector<Car> cars_;
    std::string scene_;
    long ticks_ = 0;
    double requested_ = 0.0;
    Phase phase_ = Phase::Countdown;
    bool over_ = false;
    double nominalSpeed_ = 52.0;
    double sessionLength_ = 0.0; ///< timed sessions: seconds; race: its time limit or 0
    bool timeUp_ = false;
    double hardStop_ = 0.0; ///< a session never runs past this, whatever happens on track
    double formationStart_ = 30.0;
    double greenAt_ = 0.0;
    double ambient_ = 20.0;
    double trackDelta_ = 10.0;
    double yellowAt_ = -1.0; ///< race distance of the leader that brings the yellow
    double yellowLength_ = 0.0;
    double yellowStart_ = 0.0;
    double yellowEnd_ = 0.0;
    int retireCar_ = -1;
    double retireAt_ = 0.0;
    int disqualifyCar_ = -1;
    double disqualifyAt_ = 0.0;
};
