// kestrune-feed: a simulated session written as a live file, for rehearsals, demonstrations
// and end-to-end tests when no simulator is at hand.

#include "feedoptions.h"
#include "feedrun.h"

#include <csignal>
#include <iostream>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void OnStopSignal(int) {
    stopRequested = 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    FeedOptions options;
    std::string error;
    if (!ParseFeedOptions(args, options, error)) {
        std::cerr << "kestrune-feed: " << error << "\n\n" << FeedUsage();
        return 2;
    }
    if (options.help) {
        std::cout << FeedUsage();
        return 0;
    }
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    return RunFeed(options, stopRequested, std::cout, std::cerr);
}
