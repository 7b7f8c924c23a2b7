#pragma once
// Text summaries of the sessions that were followed and then left for another live file.
// They live in memory for the rest of the run; the Data tab recalls them.

#include "core/live/players.h"

#include <ctime>
#include <string>
#include <vector>

/// An owning list of entries, each a list of lines; entries are only appended, oldest first.
class TSessionLogs {
  public:
    /// Appends the summary of `players`, dated now; a TPlayers without records adds nothing,
    /// so a file that never yielded a car leaves no empty session behind.
    void AddSession(const TPlayers& players);
    int Count() const { return static_cast<int>(Entries.size()); }
    /// The lines of entry `index` (0 = oldest). Throws std::out_of_range outside 0..Count()-1.
    const std::vector<std::string>& Items(int index) const;
    /// The first line of entry `index`, or "empty" when it has no lines (the drop-down text).
    std::string EntryTitle(int index) const;

  private:
    std::vector<std::vector<std::string>> Entries;
};

/// The summary of one TPlayers: a title with the date and time of `now` in the user's locale
/// ("%x %X"), the scene and the session; the session time; one line per record in position
/// order, records not Seen 100 places further back.
std::vector<std::string> SessionSummary(const TPlayers& players, std::time_t now);

/// "Session Time - hh:mm:ss" of a session time in seconds, truncated to whole seconds.
std::string SessionTimeLine(double sessionTime);
