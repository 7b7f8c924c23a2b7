#pragma once
// The standings, the session and the reports as text that graphics engines read (vMix data
// sources, HTML overlays, CasparCG templates): JSON arrays of flat objects and CSV. Each is a
// pure function of the records, so the web server can cache the answer per reading. Texts
// are UTF-8: live-file bytes that are not are read in the legacy code page.

#include "core/live/players.h"

#include <string>
#include <string_view>

/// The tower's cars in the tower's order (BuildRows), one flat object each: "position",
/// "name" (the tower's display name, `nameLength` bytes), "driver", "vehicle", "class",
/// "laps", "bestLap" and "lastLap" (lap-time text "1:23.456", "" when none), "bestLapMs" and
/// "lastLapMs" (whole milliseconds, 0 when none), "gapToLeader" and "interval" (as the gap
/// strips write them, "+5.200" or "+2L"; "" for the first car), "pitStops", "inPits",
/// "finishStatus" (the file's word), and the tower's marks "gained", "lost",
/// "bestImproved", "slow" as booleans. No car gives "[]".
std::string StandingsJson(const TPlayers& players, int nameLength);

/// The same rows and columns as CSV: a header line, CRLF line ends, texts as CsvField writes
/// them, booleans as true/false.
std::string StandingsCsv(const TPlayers& players, int nameLength);

/// The session as the console's Info tab and the ticker's status line show it, one flat
/// object: "file" (the name of `liveFileName`), "session", "phase", "flag", "track",
/// "lap" (the leader's laps, 0 without a leader), "totalLaps", "lapCounter" ("5/20" when the
/// status line shows the counter, else ""), "sessionTime" (seconds) and "sessionTimeText"
/// ("hh:mm:ss"), "trackLength", "ambientTemp", "trackTemp". A number that is not finite is
/// null.
std::string SessionJson(const TPlayers& players, std::string_view liveFileName);

/// The Data tab's reports as {"bestlap": [...], "avglap": [...], "gap": [...]}, one string per
/// line without the report's bracketed title line.
std::string ReportsJson(const TPlayers& players);
