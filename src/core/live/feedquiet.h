#pragma once
// A feed that stops (the simulator paused, the share gone, the plug-in crashed) looks exactly
// like a quiet race; this notices it, so the operator reads it in the log.

#include "core/live/racewords.h"
#include "core/platform/steadyclock.h"

#include <chrono>
#include <optional>
#include <string>

/// How long a running session's live file may stay unchanged before the log says so. The
/// plug-in rewrites the file several times a second while a session runs.
inline constexpr std::chrono::seconds FeedQuietAfter{10};

class TFeedQuiet {
  public:
    /// The followed file `fileName` changed at `now`; the latest reading's phase is `phase`.
    /// Returns the log line when the feed had been reported quiet.
    std::optional<std::string> FileChanged(TSteadyTime now, TGamePhase phase,
                                           const std::string& fileName);
    /// Called about once a second: returns the log line, once, when a running session (phase
    /// neither "SessionOver" nor empty) has had no change for FeedQuietAfter.
    std::optional<std::string> Check(TSteadyTime now, const std::string& fileName);
    /// A new file is followed: nothing is known about its feed yet.
    void Reset() { *this = TFeedQuiet(); }

  private:
    std::optional<TSteadyTime> LastChange;
    TGamePhase Phase = TGamePhase::None;
    bool Reported = false;
};
