#include "core/messages/readingresult.h"

void TReadingResult::Add(TReadingResult later) {
    Merged = Merged || later.Merged;
    for (std::size_t i = 0; i < Labels.size(); ++i) {
        if (later.Labels[i]) {
            Labels[i] = std::move(later.Labels[i]);
        }
    }
    for (TNotice& notice : later.Notices) {
        Notices.push_back(std::move(notice));
    }
    RefreshStatus = RefreshStatus || later.RefreshStatus;
    StopRanking = StopRanking || later.StopRanking;
    ReadNow = ReadNow || later.ReadNow;
    if (later.ReadAgainAfter) {
        ReadAgainAfter = later.ReadAgainAfter;
    }
}
