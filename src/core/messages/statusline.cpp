#include "core/messages/statusline.h"

#include <cstdio>

std::string LapCounterText(int laps, int lengthLaps) {
    char text[32];
    std::snprintf(text, sizeof text, " %2d/%-2d", laps, lengthLaps);
    return text;
}

TStatusTexts StatusTexts(const TPlayers* players, const std::string& freeText) {
    static const TGameSession noSession;
    const TGameSession& session = players != nullptr ? players->GameSession() : noSession;
    TStatusTexts texts;
    if (session.GamePhase == TGamePhase::FullCourseYellow) {
        texts.Notice = "FullCourseYellow : " + session.YellowFlag;
        texts.NoticeColor = clYellow;
    } else {
        texts.Notice = freeText.empty() ? std::string("Kestrune") : freeText;
    }
    if (session.GamePhase == TGamePhase::FormationLap) {
        texts.Left = " FormationLap";
        texts.LeftColor = clWhite;
    } else if (players != nullptr && session.Session == TSessionKind::Race &&
               session.GamePhase != TGamePhase::Countdown) {
        const int leader = players->IndexOfPosition(1);
        if (leader >= 0) {
            texts.Left = LapCounterText(players->Item(leader).Laps, session.LengthLaps);
        }
    }
    return texts;
}
