#pragma once
// The five ranking strips, each named once: the word a control call and the state use, the
// label of its button and its log line, how its list is composed, and how it ranks within a
// class. Every part of the program that knows a strip knows it from this table.

#include "core/messages/ranking.h"

#include <array>
#include <string_view>

struct TStripKind {
    /// "best": the API's path, the state's "strip", the replay's argument.
    std::string_view Word;
    /// "Best Lap": the console's button and the log.
    std::string_view Label;
    TComposeRanking Compose;
    TRankingKind ByClass;
};

/// In the order of the console's buttons.
inline constexpr std::array<TStripKind, 5> StripKinds{{
    {"best", "Best Lap", ComposeBestLaps, TRankingKind::BestLaps},
    {"avg", "Avg Lap", ComposeAverageLaps, TRankingKind::AverageLaps},
    {"pits", "Pit Stops", ComposePitStops, TRankingKind::PitStops},
    {"gapl", "GapL", ComposeGapToLeader, TRankingKind::GapToLeader},
    {"gapi", "GapI", ComposeIntervals, TRankingKind::Intervals},
}};

/// The strip of `word`, or null.
const TStripKind* StripNamed(std::string_view word);
