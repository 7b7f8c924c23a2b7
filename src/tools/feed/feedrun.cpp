#include "tools/feed/feedrun.h"

#include "tools/feed/livewriter.h"
#include "tools/feed/racesim.h"

#include "core/platform/utf8path.h"

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

/// Wakes at fixed wall-clock intervals without drifting, and gives up waiting on a stop.
class Pacer {
  public:
    explicit Pacer(double periodSeconds)
        : period_(std::chrono::duration_cast<Clock::duration>(
              std::chrono::duration<double>(periodSeconds))),
          next_(Clock::now() + period_) {}

    /// Sleeps until the next tick; false if a stop was asked for meanwhile.
    bool Wait(const std::atomic<bool>& stop) {
        // Short naps keep the reaction to a signal prompt whatever the period.
        for (auto now = Clock::now(); now < next_; now = Clock::now()) {
            if (stop)
                return false;
            std::this_thread::sleep_for(
                std::min<Clock::duration>(next_ - now, std::chrono::milliseconds(20)));
        }
        const auto now = Clock::now();
        next_ += period_;
        if (next_ < now) // far behind (a slow machine): do not write a burst to catch up
            next_ = now + period_;
        return !stop;
    }

  private:
    Clock::duration period_;
    Clock::time_point next_;
};

std::string MinutesText(double seconds) {
    const long whole = static_cast<long>(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

std::uint64_t PickSeed(const FeedOptions& options) {
    if (options.seedGiven)
        return options.seed;
    return static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

SimSettings SettingsFor(const FeedOptions& options, std::size_t index, SessionKind kind,
                        const std::vector<int>& grid) {
    SimSettings settings;
    settings.kind = kind;
    settings.cars = options.cars;
    settings.laps = options.laps;
    // In a weekend the minutes size the timed sessions; the race runs its laps.
    const bool weekendRace = options.plan == SessionPlan::Weekend && kind == SessionKind::Race;
    settings.minutes = weekendRace ? 0.0 : options.minutes;
    settings.trackLength = options.trackLength;
    settings.seed = FeedRandom::Derive(options.seed, index + 1);
    settings.rosterSeed = options.seed; // the same drivers all weekend
    settings.grid = grid;
    settings.classes = options.classes;
    return settings;
}

class FeedRun {
  public:
    FeedRun(const FeedOptions& options, const std::atomic<bool>& stop, std::ostream& out)
        : options_(options), stop_(stop), out_(out), pacer_(1.0 / options.rate) {}

    /// False when stopped before the end.
    bool RunSession(SimSettings settings, int number, const std::string& stamp);
    std::vector<int> LastClassification() const { return classification_; }
    bool Pause() { return pacer_.Wait(stop_); }

  private:
    void Write(const std::string& text, const fs::path& path, int number, SessionKind kind);
    void Say(const std::string& line) {
        if (!options_.quiet)
            out_ << line << std::endl;
    }

    const FeedOptions& options_;
    const std::atomic<bool>& stop_;
    std::ostream& out_;
    Pacer pacer_;
    long written_ = 0;
    std::vector<int> classification_;
};

void FeedRun::Write(const std::string& text, const fs::path& path, int number, SessionKind kind) {
    WriteWholeFile(path, text, options_.write, std::chrono::milliseconds(options_.writeMs));
    ++written_;
    if (!options_.snapshots.empty()) {
        const fs::path copy =
            Utf8Path(options_.snapshots) / SnapshotFileName(written_, number, kind);
        WriteWholeFile(copy, text, WriteMode::InPlace);
    }
}

bool FeedRun::RunSession(SimSettings settings, int number, const std::string& stamp) {
    RaceSim sim(settings);
    const fs::path path = Utf8Path(options_.folder) / SessionFileName(stamp, number, settings.kind);
    const std::string classes = settings.classes.empty()
                                    ? ""
                                    : " in " + std::to_string(settings.classes.size()) + " classes";
    Say("kestrune-feed: " + std::string(SessionWord(settings.kind)) + " with " +
        std::to_string(settings.cars) + " cars" + classes + ", seed " +
        std::to_string(options_.seed) + ", writing " + PathText(path));
    std::string phase = sim.GamePhase();
    std::string text = sim.LiveText();
    for (;;) {
        Write(text, path, number, settings.kind);
        if (sim.GamePhase() != phase) {
            phase = sim.GamePhase();
            Say("  " + MinutesText(sim.SessionTime()) + " " + phase);
        }
        if (sim.Over())
            break;
        if (!pacer_.Wait(stop_))
            return false;
        text = sim.Step(options_.speed / options_.rate);
    }
    classification_ = sim.Classification();
    return !stop_;
}

} // namespace

int RunFeed(const FeedOptions& options, const std::atomic<bool>& stop, std::ostream& out,
            std::ostream& err) {
    FeedOptions chosen = options;
    chosen.seed = PickSeed(options);
    const auto stopped = [&] {
        if (!chosen.quiet)
            out << "kestrune-feed: stopped; the file written last is complete" << std::endl;
        return 0;
    };
    try {
        PrepareFolder(Utf8Path(chosen.folder));
        if (!chosen.snapshots.empty())
            PrepareFolder(Utf8Path(chosen.snapshots));
        const std::string stamp = ClockStamp(std::time(nullptr));
        FeedRun run(chosen, stop, out);
        const std::vector<SessionKind> sessions = SessionsOf(chosen.plan);
        std::vector<int> grid;
        for (std::size_t i = 0; i < sessions.size(); ++i) {
            const SimSettings settings = SettingsFor(chosen, i, sessions[i], grid);
            const int number = static_cast<int>(i) + 1;
            if (!run.RunSession(settings, number, stamp))
                return stopped();
            // The race starts in qualifying order.
            if (sessions[i] == SessionKind::Qualify)
                grid = run.LastClassification();
            if (i + 1 < sessions.size() && !run.Pause())
                return stopped();
        }
    } catch (const std::exception& error) {
        err << "kestrune-feed: " << error.what() << std::endl;
        return 1;
    }
    return 0;
}
