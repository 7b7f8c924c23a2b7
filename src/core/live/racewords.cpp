#include "core/live/racewords.h"

TSessionKind SessionKindOf(std::string_view text) {
    if (text == "Race") {
        return TSessionKind::Race;
    }
    return text == "Warmup" ? TSessionKind::Warmup : TSessionKind::Other;
}

TGamePhase GamePhaseOf(std::string_view text) {
    if (text.empty()) {
        return TGamePhase::None;
    }
    if (text == "Countdown") {
        return TGamePhase::Countdown;
    }
    if (text == "FormationLap") {
        return TGamePhase::FormationLap;
    }
    if (text == "GreenFlag") {
        return TGamePhase::GreenFlag;
    }
    if (text == "FullCourseYellow") {
        return TGamePhase::FullCourseYellow;
    }
    if (text == "SessionOver") {
        return TGamePhase::SessionOver;
    }
    return TGamePhase::Other;
}

TFinishStatus FinishStatusOf(std::string_view text) {
    if (text == "None") {
        return TFinishStatus::None;
    }
    if (text == "Finished") {
        return TFinishStatus::Finished;
    }
    if (text == "DNF") {
        return TFinishStatus::Dnf;
    }
    if (text == "DQ") {
        return TFinishStatus::Dq;
    }
    return TFinishStatus::Other;
}
