#pragma once
// The loop of kestrune-feed: run the chosen sessions, writing a live file at a steady pace.

#include "tools/feed/feedoptions.h"

#include <atomic>
#include <ostream>

/// Runs the sessions of `options` to their end, writing each moment into the folder.
/// `stop` is checked between writes only, so a stop always leaves a complete file.
/// Returns the process exit code: 0 when the sessions ended or a stop was asked for, 1 when
/// a folder or file could not be written (reported on `err`).
int RunFeed(const FeedOptions& options, const std::atomic<bool>& stop, std::ostream& out,
            std::ostream& err);
