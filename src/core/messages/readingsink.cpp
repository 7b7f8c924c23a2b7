#include "core/messages/readingsink.h"

void ApplyReadingResult(TReadingSink& windows, const TReadingResult& result,
                        TRaceEventList& queue) {
    for (std::size_t i = 0; i < result.Labels.size(); ++i) {
        if (result.Labels[i]) {
            windows.SetLabelText(static_cast<TLabel>(i), *result.Labels[i]);
        }
    }
    if (result.StopRanking) {
        windows.StopRanking();
    }
    for (const TNotice& notice : result.Notices) {
        if (notice.IsEvent) {
            queue.AddEvent(notice.Title, notice.Text, notice.Seconds);
        } else {
            windows.AddLog(notice.Title);
        }
    }
    if (result.Merged && windows.StandingsVisible()) {
        windows.RedrawStandings();
    }
    if (result.RefreshStatus && windows.TickerVisible()) {
        windows.RefreshStatus();
    }
    if (result.ReadNow) {
        windows.ReadNow();
    }
    if (result.ReadAgainAfter) {
        windows.ReadAgainAfter(*result.ReadAgainAfter);
    }
}
