// Feeds arbitrary readings of a live file through everything that runs after a reload: parse,
// merge, battle counters, race events, standings rows, ranking strips, reports and the session
// summary. Nothing here may crash, hang, leak or trip the sanitizers, whatever the bytes.
//
// Input: four header bytes, then the readings, separated by the byte 0x1E (never in a real file).
//   0: Stats1NameLength (signed byte; 0x7F and 0x80 stand for the 32-bit extremes)
//   1: switches (windows shown, ranking on, "," as decimal separator, ignore list, aliases)
//   2: how often the whole sequence of readings is merged (1 to 3 times); 0xFF: three times,
//      the records coming from a long session whose counters stand at their extremes
//   3: the clock of the session summary, from a table of ordinary and extreme times

#include "core/live/livefile.h"
#include "core/live/players.h"
#include "core/live/reports.h"
#include "core/live/sessionlogs.h"
#include "core/messages/racedetect.h"
#include "core/messages/ranking.h"
#include "core/platform/numbers.h"
#include "core/standings/rows.h"
#include "tools/headless/headlesswindows.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string_view>
#include <vector>

namespace {

constexpr char ReadingSeparator = '\x1E';
constexpr std::size_t HeaderSize = 4;
/// The event list is emptied past this, as the ticker would have shown and dropped them.
constexpr int MaxQueued = 2000;

struct TSnapshot {
    std::vector<TSlot> Slots;
    TGameSession Session;
};

struct THeader {
    int32_t NameLength = 5;
    bool MessageVisible = false;
    bool StandingsShown = false;
    bool RankingOn = false;
    bool CommaSeparator = false;
    bool IgnoreSome = false;
    bool Aliases = false;
    std::size_t Rounds = 1;
    bool LongSession = false;
    std::time_t Now = 0;
};

int32_t NameLengthOf(uint8_t byte) {
    if (byte == 0x7F) {
        return INT32_MAX;
    }
    if (byte == 0x80) {
        return INT32_MIN;
    }
    return static_cast<int8_t>(byte);
}

std::time_t NowOf(uint8_t byte) {
    static constexpr int64_t Times[] = {1700000000,        0,         -1,       253402300799,
                                        67768036191676799, INT64_MAX, INT64_MIN};
    return static_cast<std::time_t>(Times[byte % std::size(Times)]);
}

THeader ReadHeader(const uint8_t* data) {
    THeader header;
    header.NameLength = NameLengthOf(data[0]);
    header.MessageVisible = (data[1] & 0x01) != 0;
    header.StandingsShown = (data[1] & 0x02) != 0;
    header.RankingOn = (data[1] & 0x04) != 0;
    header.CommaSeparator = (data[1] & 0x08) != 0;
    header.IgnoreSome = (data[1] & 0x10) != 0;
    header.Aliases = (data[1] & 0x20) != 0;
    header.LongSession = data[2] == 0xFF;
    header.Rounds = 1 + data[2] % 3;
    header.Now = NowOf(data[3]);
    return header;
}

TNameRules RulesFor(const THeader& header) {
    TNameRules rules;
    if (header.IgnoreSome) {
        rules.IsIgnored = [](const std::string& driver) {
            return !driver.empty() && driver.front() == 'X';
        };
    }
    if (header.Aliases) {
        rules.AliasOf = [](const std::string& driver) { return driver.substr(driver.size() / 2); };
    }
    return rules;
}

/// Each reading parsed as the reload cycle does; one without cars is skipped, as there.
std::vector<TSnapshot> ParseReadings(std::string_view input, std::string_view separator) {
    std::vector<TSnapshot> snapshots;
    std::vector<TSlot> slots;
    TGameSession session;
    while (true) {
        const std::size_t cut = input.find(ReadingSeparator);
        ParseLiveText(input.substr(0, cut), slots, session, separator);
        if (!slots.empty()) {
            snapshots.push_back({slots, session});
        }
        if (cut == std::string_view::npos) {
            break;
        }
        input.remove_prefix(cut + 1);
    }
    return snapshots;
}

/// What the operator can ask for between two readings.
void ComposeEverything(const TPlayers& players, int nameLength, THeadlessWindows& windows,
                       std::time_t now) {
    TRaceEventList strip;
    ComposeBestLaps(players, nameLength, windows, strip);
    ComposeAverageLaps(players, nameLength, windows, strip);
    ComposePitStops(players, nameLength, windows, strip);
    ComposeGapToLeader(players, nameLength, windows, strip);
    ComposeIntervals(players, nameLength, windows, strip);
    BestlapReport(players);
    AvglapReport(players);
    GapReport(players);
    SessionSummary(players, now);
}

/// What the reload cycle does with one reading: the state that carries over between readings.
void MergeReading(TPlayers& players, const TSnapshot& snapshot, const TNameRules& rules,
                  THeadlessWindows& windows, TRaceEventList& queue) {
    players.Merge(snapshot.Slots, rules);
    players.SetSession(snapshot.Session);
    if (players.GameSession().Session == "Race") {
        UpdateBattleScores(players);
    }
    TReadingResult result;
    DetectRaceEvents(players, windows.Ranking, result);
    ApplyReadingResult(windows, result, queue);
    if (queue.Count() > MaxQueued) {
        queue.Clear();
    }
}

/// Gives the records the scores a long session can build up (a session clock that keeps
/// jumping drives them to the 32-bit limits): merging the readings thousands of times over gets
/// there too, at a thousand times the cost of every such input.
void AgeLikeALongSession(TPlayers& players) {
    static constexpr int32_t Scores[] = {INT32_MAX, INT32_MAX - 100000, INT32_MIN,
                                         INT32_MIN + 100000, 1000000};
    for (int i = 0; i < players.Count(); ++i) {
        players.Item(i).BattleScore = Scores[static_cast<std::size_t>(i) % std::size(Scores)];
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < HeaderSize) {
        return 0;
    }
    const THeader header = ReadHeader(data);
    const std::vector<TSnapshot> snapshots = ParseReadings(
        std::string_view(reinterpret_cast<const char*>(data) + HeaderSize, size - HeaderSize),
        header.CommaSeparator ? "," : ".");
    if (snapshots.empty()) {
        return 0;
    }

    const TNameRules rules = RulesFor(header);
    THeadlessWindows windows;
    windows.MessageVisible = header.MessageVisible;
    windows.StandingsShown = header.StandingsShown;
    windows.Ranking = header.RankingOn;
    TRaceEventList queue;
    TPlayers players;
    std::vector<TStats1Data> rows;
    // Rows, compositions and reports only read the records, so they run once, at the end: the
    // state after any reading of a sequence is the end state of a shorter input, which the
    // fuzzer makes by itself.
    for (std::size_t round = 0; round < header.Rounds; ++round) {
        for (const TSnapshot& snapshot : snapshots) {
            MergeReading(players, snapshot, rules, windows, queue);
            if (header.LongSession && round == 0 && &snapshot == &snapshots.front()) {
                AgeLikeALongSession(players);
            }
        }
    }
    BuildRows(players, header.NameLength, rows);
    ComposeEverything(players, header.NameLength, windows, header.Now);
    TSessionLogs logs;
    logs.AddSession(players);
    return 0;
}
