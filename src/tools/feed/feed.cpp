// kestrune-feed: a simulated session written as a live file, for rehearsals, demonstrations
// and end-to-end tests when no simulator is at hand.

#include "tools/feed/feedoptions.h"
#include "tools/feed/feedrun.h"

#include "core/platform/commandline.h"
#include "core/platform/stoprequest.h"

#include <atomic>
#include <iostream>

int main(int argc, char** argv) {
    const std::vector<std::string> args = ProgramArguments(argc, argv);
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
    // A stop is taken between two writes, so the file left behind is always complete.
    static std::atomic<bool> stopRequested{false};
    CallOnStopRequests([] { stopRequested = true; });
    return RunFeed(options, stopRequested, std::cout, std::cerr);
}
