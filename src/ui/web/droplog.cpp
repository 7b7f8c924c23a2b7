#include "ui/web/droplog.h"

#include "ui/web/steadyclock.h"

void TDropLog::Line(const std::string& line) {
    Tick(SteadyNowMs());
    if (++InWindow <= DropLinesPerWindow) {
        Log(line);
    }
}

void TDropLog::Tick(qint64 now) {
    if (now - WindowStart < DropLogWindowMs) {
        return;
    }
    if (InWindow > DropLinesPerWindow) {
        Log("Web server: " + std::to_string(InWindow - DropLinesPerWindow) +
            " more clients were dropped or refused within " +
            std::to_string(DropLogWindowMs / 1000) + " s (not each logged)");
    }
    WindowStart = now;
    InWindow = 0;
}
