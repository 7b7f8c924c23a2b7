// Drawing the tower and the ticker, on the offscreen platform, against a plain QPainter
// baseline of the same amount of text and rectangles.

#include "bench/livegen.h"

#include "core/app/broadcast.h"
#include "core/app/config.h"
#include "core/live/livefile.h"
#include "core/live/players.h"
#include "core/messages/raceevent.h"
#include "core/messages/ranking.h"
#include "core/standings/rows.h"
#include "tools/headless/headlesswindows.h"
#include "ui/messages/msg1.h"
#include "ui/standings/stats1.h"

#include <QApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

/// A race of `cars` cars, merged twice so every record has a history.
void LoadRace(TBroadcast& live, int cars) {
    TPlayers& players = *live.Players;
    for (int round = 1; round <= 2; ++round) {
        std::vector<TSlot> reading;
        TGameSession session;
        ParseLiveText(MakeLiveText(cars, round * 30), reading, session);
        players.Merge(reading);
        players.SetSession(session);
        UpdateBattleScores(players);
    }
}

void BM_DrawTower(benchmark::State& state) {
    TBroadcast live;
    LoadRace(live, static_cast<int>(state.range(0)));
    const TKestruneConfig config;
    TFormStats1 stats(TTowerSources{live.Players, config});
    stats.resize(260, 22 * static_cast<int>(state.range(0)) + 20);
    stats.MeasureColumns();
    BuildRows(*live.Players, 5, stats.Rows);
    QImage surface(stats.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        benchmark::DoNotOptimize(stats.DrawRows(surface));
    }
}

/// The tower through a run of readings as a session brings them, 12.5 m of track and 0.2 s
/// apart, with the gaps drifting: each reading is merged and the tower asked to redraw, as the
/// reload cycle does. Arg 0: 1 for a race, 0 for a practice session; arg 1: 1 to draw the
/// whole picture at every reading (as the tower did before it compared readings).
void BM_TowerReadings(benchmark::State& state) {
    const bool race = state.range(0) == 1;
    const bool whole = state.range(1) == 1;
    std::vector<std::vector<TSlot>> readings(64);
    std::vector<TGameSession> sessions(readings.size());
    for (std::size_t round = 0; round < readings.size(); ++round) {
        ParseLiveText(MakeLiveText(20, static_cast<int>(round)), readings[round], sessions[round]);
        sessions[round].Session = race ? "Race" : "Practice1";
        for (std::size_t car = 0; car < readings[round].size(); ++car) {
            readings[round][car].TimeGapToPrev += 0.02f * static_cast<float>(round * (car % 3));
        }
    }
    TBroadcast live;
    const TKestruneConfig config;
    TFormStats1 stats(TTowerSources{live.Players, config});
    stats.resize(260, 476);
    stats.MeasureColumns();
    QImage surface(stats.size(), QImage::Format_RGB32);
    std::size_t next = 0;
    for (auto _ : state) {
        live.Players->Merge(readings[next]);
        live.Players->SetSession(sessions[next]);
        if (whole) {
            BuildRows(*live.Players, 5, stats.Rows);
            benchmark::DoNotOptimize(stats.DrawRows(surface));
        } else {
            stats.RedrawRequest();
        }
        next = (next + 1) % readings.size();
    }
}

void BM_BaselineTextRows(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    QImage surface(260, 22 * rows + 20, QImage::Format_RGB32);
    QFont font;
    font.setFamilies({"IPAGothic", "DejaVu Sans Mono"});
    font.setPixelSize(19);
    for (auto _ : state) {
        QPainter painter(&surface);
        painter.fillRect(surface.rect(), Qt::black);
        painter.setFont(font);
        painter.setPen(Qt::white);
        for (int i = 0; i < rows; ++i) {
            painter.fillRect(3, 5 + i * 22, 20, 19, Qt::red);
            painter.drawText(QRect(30, 5 + i * 22, 60, 22), Qt::AlignVCenter, "T.RID");
            painter.drawText(QRect(120, 5 + i * 22, 60, 22), Qt::AlignVCenter, " 1");
        }
    }
}

void BM_DrawTickerPage(benchmark::State& state) {
    TBroadcast live;
    LoadRace(live, 20);
    TFormMsg1 msg(TTickerSources{live.EventQueue, live.RankingList, live.Players});
    live.EventQueue.Clear();
    live.EventQueue.AddEvent("Pit-in", "#5# Ilse Santangelo", 8);
    live.EventQueue.AddEvent("Fastest Lap", "#1# Tom Rider  1:42.118", 7);
    msg.Timer1Timer();
    for (auto _ : state) {
        benchmark::DoNotOptimize(msg.Composite());
    }
    live.EventQueue.Clear();
}

void BM_BuildRankingStrip(benchmark::State& state) {
    TBroadcast live;
    LoadRace(live, static_cast<int>(state.range(0)));
    TFormMsg1 msg(TTickerSources{live.EventQueue, live.RankingList, live.Players});
    THeadlessWindows windows;
    ComposeGapToLeader(*live.Players, 5, windows, live.RankingList);
    for (auto _ : state) {
        msg.BuildRankingBitmap();
    }
}

} // namespace

BENCHMARK(BM_BaselineTextRows)->Arg(60)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawTower)->Arg(60)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TowerReadings)
    ->ArgsProduct({{1, 0}, {0, 1}})
    ->ArgNames({"race", "whole"})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawTickerPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildRankingStrip)->Arg(20)->Arg(60)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
