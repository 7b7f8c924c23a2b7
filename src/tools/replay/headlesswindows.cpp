#include "headlesswindows.h"

void THeadlessWindows::SetRankingMode(bool on) {
    if (Ranking && !on) {
        ++RankingSwitchesOff;
    }
    Ranking = on;
}

void THeadlessWindows::Apply(const TReadingResult& result, TRaceEventList& queue) {
    for (std::size_t i = 0; i < result.Labels.size(); ++i) {
        if (result.Labels[i]) {
            Labels[i] = *result.Labels[i];
        }
    }
    if (result.StopRanking) {
        SetRankingMode(false);
    }
    PostNotices(result, queue, [this](const std::string& line) { AddLog(line); });
    if (result.Merged && StandingsShown) {
        ++StandingsRedraws;
    }
    if (result.RefreshStatus && MessageVisible) {
        ++StatusRefreshes;
    }
    if (result.ReadNow) {
        ++ReloadsPosted;
    }
    if (result.ReadAgainAfter) {
        DelayedReload = *result.ReadAgainAfter;
    }
}

std::string THeadlessWindows::LabelText(TLabel label) const {
    return Labels[static_cast<std::size_t>(label)];
}

void THeadlessWindows::SetLabelText(TLabel label, const std::string& text) {
    Labels[static_cast<std::size_t>(label)] = text;
}

void THeadlessWindows::AddLog(const std::string& text) {
    Log.push_back(text);
    if (OnLog) {
        OnLog(text);
    }
}
