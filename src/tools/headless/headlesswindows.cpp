#include "tools/headless/headlesswindows.h"

void THeadlessWindows::SetRankingMode(bool on) {
    if (Ranking && !on) {
        ++RankingSwitchesOff;
    }
    Ranking = on;
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
