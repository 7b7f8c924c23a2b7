#include "core/live/feedquiet.h"

namespace {

std::string WholeSeconds(std::chrono::steady_clock::duration span) {
    return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(span).count());
}

} // namespace

std::optional<std::string> TFeedQuiet::FileChanged(TSteadyTime now, TGamePhase phase,
                                                   const std::string& fileName) {
    std::optional<std::string> line;
    if (Reported && LastChange) {
        line = fileName + " changes again after " + WholeSeconds(now - *LastChange) +
               " s without a change";
    }
    LastChange = now;
    Phase = phase;
    Reported = false;
    return line;
}

std::optional<std::string> TFeedQuiet::Check(TSteadyTime now, const std::string& fileName) {
    const bool running = Phase != TGamePhase::None && Phase != TGamePhase::SessionOver;
    if (Reported || !running || !LastChange || now - *LastChange < FeedQuietAfter) {
        return std::nullopt;
    }
    Reported = true;
    return fileName + " has not changed for " + WholeSeconds(now - *LastChange) +
           " s: the feed may have stopped";
}
