#pragma once
// Everything the program puts on air from the live data: the records, the session logs, the
// message queue and ranking strip, the operator's name lists and what the labels show. The
// program, the replay, each test and each benchmark own one; the windows draw from it.

#include "core/live/livefile.h"
#include "core/live/names.h"
#include "core/live/players.h"
#include "core/live/sessionlogs.h"
#include "core/messages/raceevent.h"

#include <memory>

struct TBroadcast {
    /// The records of the followed live file; replaced at each change of file, so the windows
    /// hold the pointer, not the records.
    std::unique_ptr<TPlayers> Players = std::make_unique<TPlayers>();
    /// The summaries of the sessions left for another file.
    TSessionLogs SessionLogs;
    /// Race messages, in the order added.
    TRaceEventList EventQueue;
    /// Entries of the ranking strip, title entry first.
    TRaceEventList RankingList;
    /// The session values as last read: a reading only overwrites the keys it has, so values a
    /// file leaves out are kept, across readings and across files.
    TGameSession LiveSession;
    /// The phase on the phase label, as bytes: a change of phase is seen against it, never
    /// against what a window gives back.
    TPhaseWord ShownPhase;
    TNameLists Names;
    /// Messages and strips within each car's class (the configuration's ClassView).
    bool ClassView = false;

    /// Archives the records into SessionLogs and starts afresh.
    void StartNewSession() {
        SessionLogs.AddSession(*Players);
        Players = std::make_unique<TPlayers>();
    }
};
