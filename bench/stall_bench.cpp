// The windows on air while the live folder's share stops answering: the real console, tower
// and ticker follow a feed on a FUSE mount, a ranking strip scrolls, and the share's server is
// stopped for ten seconds with a reading under way. Measures how long the strip ever stood
// still and how late the window thread's one-second timer ever fired, with and without the
// stop.

#include "core/app/broadcast.h"
#include "core/app/config.h"
#include "ui/app/mainform.h"
#include "ui/messages/msg1.h"
#include "ui/standings/stats1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>

#include <benchmark/benchmark.h>

#include "tests/support/fusemount.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

namespace {

/// Runs the event loop until `done` holds or `ms` pass; false on the deadline.
bool RunUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

/// Watches the window thread for `ms`: the longest the strip stood still and the latest a
/// one-second timer fired, both in milliseconds.
struct TStandstill {
    double StripStill = 0.0;
    double TimerLate = 0.0;
};

TStandstill Watch(const TFormMsg1& ticker, int ms) {
    TStandstill worst;
    QElapsedTimer clock;
    clock.start();
    int offset = ticker.ScrollOffset();
    qint64 moved = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (ticker.ScrollOffset() != offset) {
            worst.StripStill = std::max(worst.StripStill, static_cast<double>(now - moved));
            offset = ticker.ScrollOffset();
            moved = now;
        }
    });
    probe.start(2);
    qint64 due = 1000;
    QTimer second;
    second.setTimerType(Qt::PreciseTimer);
    QObject::connect(&second, &QTimer::timeout, [&] {
        worst.TimerLate = std::max(worst.TimerLate, static_cast<double>(clock.elapsed() - due));
        due = clock.elapsed() + 1000;
    });
    second.start(1000);
    RunUntil([&] { return clock.elapsed() >= ms; }, ms + 60000);
    worst.StripStill = std::max(worst.StripStill, static_cast<double>(clock.elapsed() - moved));
    return worst;
}

void BM_ShareStoppedMidRead(benchmark::State& state) {
    if (!TFuseMount::Available()) {
        state.SkipWithError("no /dev/fuse on this machine");
        return;
    }
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("kestrune-stall-" + std::to_string(::getpid()));
    for (auto _ : state) {
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root);
        TFuseMount share(root / "simulator-pc", root / "share");
        if (!share.Mounted) {
            state.SkipWithError("bindfs could not mount");
            break;
        }
        const std::string ini = (root / "kestrune.ini").string();
        std::ofstream(ini) << "[Config]\nFolder=" << share.MountPoint.string() << "\n";
        const TConfigLoad load = LoadConfig(ini);
        TBroadcast broadcast;
        auto main = std::make_unique<TFormMain>(ini, load, broadcast);
        TFormStats1 stats(TTowerSources{broadcast.Players, load.Config});
        TFormMsg1 msg(
            TTickerSources{broadcast.EventQueue, broadcast.RankingList, broadcast.Players});
        main->SetBroadcastWindows(&stats, &msg);
        main->show();
        main->ApplicationEvents1Idle();

        QProcess feed;
        feed.start(KESTRUNE_FEED_BINARY,
                   {"--folder", QString::fromStdString(share.Source.string()), "--session", "race",
                    "--cars", "20", "--laps", "50", "--speed", "10", "--rate", "10", "--quiet"});
        const bool following =
            feed.waitForStarted() &&
            RunUntil([&] { return broadcast.Players->CountSeen() >= 20; }, 30000);
        main->Button10Click(); // GapL: the strip starts after five seconds still
        const bool scrolling = following && RunUntil([&] { return msg.ScrollOffset() > 0; }, 30000);
        if (!scrolling) {
            state.SkipWithError("the strip did not start to scroll");
            feed.kill();
            feed.waitForFinished();
            break;
        }
        const TStandstill calm = Watch(msg, 4000);
        const int readings = main->ReloadsHandled();
        share.Stall(true);
        main->PostReload(); // a reading under way meets the stopped server
        const TStandstill stopped = Watch(msg, 10000);
        const int readingsWhileStopped = main->ReloadsHandled() - readings;
        share.Stall(false);
        RunUntil([&] { return main->ReloadsHandled() > readings + readingsWhileStopped + 2; },
                 30000);
        state.counters["calm_strip_still_ms"] = calm.StripStill;
        state.counters["calm_timer_late_ms"] = calm.TimerLate;
        state.counters["stopped_strip_still_ms"] = stopped.StripStill;
        state.counters["stopped_timer_late_ms"] = stopped.TimerLate;
        state.counters["readings_while_stopped"] = readingsWhileStopped;
        state.counters["strip_offset_end"] = msg.ScrollOffset();
        state.counters["strip_end"] = msg.StripEndOffset();
        feed.terminate();
        feed.waitForFinished(10000);
        main.reset(); // the watcher and the reader end before the mount goes
    }
    std::filesystem::remove_all(root);
}

} // namespace

BENCHMARK(BM_ShareStoppedMidRead)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
