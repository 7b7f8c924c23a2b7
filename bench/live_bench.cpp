// Parsing and merging live files of 20 to 2000 cars, against a baseline that only reads the file
// and finds its line ends: the least any parser must do.

#include "bench/livegen.h"

#include "core/app/broadcast.h"
#include "core/app/reload.h"
#include "core/live/livefile.h"
#include "core/live/names.h"
#include "core/live/players.h"
#include "core/messages/racedetect.h"
#include "core/messages/raceevent.h"
#include "core/platform/readfile.h"
#include "core/standings/rows.h"
#include "tools/headless/headlesswindows.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace {

std::string FileFor(int cars) {
    return WriteTempLiveFile(MakeLiveText(cars, 1), "kestrune-bench-" + std::to_string(::getpid()) +
                                                        "-" + std::to_string(cars) + "_live.txt");
}

void BM_ReadScan(benchmark::State& state) {
    const std::string path = FileFor(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const std::string text = ReadWholeFile(path, MaxLiveFileSize);
        std::size_t lines = 0;
        for (const char* p = text.data();
             (p = static_cast<const char*>(std::memchr(p, '\n', text.data() + text.size() - p))) !=
             nullptr;
             ++p) {
            ++lines;
        }
        benchmark::DoNotOptimize(lines);
    }
    ::unlink(path.c_str());
}

void BM_ParseMemory(benchmark::State& state) {
    const std::string text = MakeLiveText(static_cast<int>(state.range(0)), 1);
    std::vector<TSlot> slots;
    TGameSession session;
    for (auto _ : state) {
        ParseLiveText(text, slots, session);
        benchmark::DoNotOptimize(slots.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_ParseFile(benchmark::State& state) {
    const std::string path = FileFor(static_cast<int>(state.range(0)));
    std::vector<TSlot> slots;
    TGameSession session;
    for (auto _ : state) {
        ParseLiveFile(path, slots, session);
        benchmark::DoNotOptimize(slots.data());
    }
    ::unlink(path.c_str());
}

/// Merges a rotating set of readings, so every merge sees changes, as in a real session.
void MergeReadings(benchmark::State& state, bool shuffled) {
    const int cars = static_cast<int>(state.range(0));
    std::vector<std::vector<TSlot>> readings(8);
    TGameSession session;
    for (int r = 0; r < 8; ++r) {
        ParseLiveText(MakeLiveText(cars, r, shuffled ? static_cast<unsigned>(r + 1) : 0),
                      readings[r], session);
    }
    TPlayers players;
    players.Merge(readings[0]);
    std::size_t next = 1;
    for (auto _ : state) {
        players.Merge(readings[next]);
        next = (next + 1) % readings.size();
    }
    state.SetItemsProcessed(state.iterations() * cars);
}

void BM_MergeStable(benchmark::State& state) {
    MergeReadings(state, false);
}
void BM_MergeShuffled(benchmark::State& state) {
    MergeReadings(state, true);
}

/// One whole reload cycle as the program runs it after a changed stamp: read and parse the
/// file, merge, session, battle scores, race event detection, labels, then the standings rows
/// (and in the class view the race messages by class and the tower's class rows).
void ReloadCycle(benchmark::State& state, int cars, int classes, bool classView) {
    std::vector<std::string> files;
    for (int r = 0; r < 8; ++r) {
        files.push_back(WriteTempLiveFile(MakeLiveText(cars, r, 0, classes),
                                          "kestrune-bench-" + std::to_string(::getpid()) +
                                              "-cycle-" + std::to_string(r) + "_live.txt"));
    }
    THeadlessWindows windows;
    TBroadcast live;
    live.ClassView = classView;
    TFollowedFile followed;
    std::vector<TStats1Data> rows;
    std::vector<TClassRow> classRows;
    std::size_t next = 0;
    for (auto _ : state) {
        followed.LiveFileName = files[next];
        next = (next + 1) % files.size();
        ApplyReadingResult(
            windows, ReadFollowedFile(followed, live, GetFileState(followed.LiveFileName), false),
            live.EventQueue);
        BuildRows(*live.Players, 5, rows);
        if (classView) {
            BuildClassRows(*live.Players, {}, classRows);
        }
        live.EventQueue.Clear();
        windows.Log.clear();
        benchmark::DoNotOptimize(rows.data());
    }
    for (const std::string& file : files) {
        ::unlink(file.c_str());
    }
}

void BM_ReloadCycle(benchmark::State& state) {
    ReloadCycle(state, static_cast<int>(state.range(0)), 1, false);
}

/// 60 cars: one class overall, three classes overall, three in the class view.
void BM_ReloadCycleClasses(benchmark::State& state) {
    ReloadCycle(state, 60, static_cast<int>(state.range(0)), state.range(1) != 0);
}

/// Start-up's alias loading from a configuration file of `aliases` lines with long values.
void BM_LoadAliasList(benchmark::State& state) {
    std::string text = "[Config]\nFolder=/live\n[DriverNameAlias]\n";
    for (int i = 0; i < state.range(0); ++i) {
        text += "Driver " + std::to_string(i) + "=D" + std::to_string(i) + std::string(5000, 'x') +
                "\n";
    }
    const std::string path = WriteTempLiveFile(text, "kestrune-bench-aliases.ini");
    TNameLists names;
    for (auto _ : state) {
        benchmark::DoNotOptimize(names.LoadAliases(path));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    ::unlink(path.c_str());
}

} // namespace

BENCHMARK(BM_LoadAliasList)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReloadCycle)->Arg(20)->Arg(60)->Arg(200)->Arg(2000);
BENCHMARK(BM_ReloadCycleClasses)->Args({1, 0})->Args({3, 0})->Args({3, 1});
BENCHMARK(BM_ReadScan)->Arg(20)->Arg(60)->Arg(200)->Arg(2000);
BENCHMARK(BM_ParseMemory)->Arg(20)->Arg(60)->Arg(200)->Arg(2000);
BENCHMARK(BM_ParseFile)->Arg(20)->Arg(60)->Arg(200)->Arg(2000);
BENCHMARK(BM_MergeStable)->Arg(20)->Arg(60)->Arg(200)->Arg(2000);
BENCHMARK(BM_MergeShuffled)->Arg(20)->Arg(60)->Arg(200)->Arg(2000);

BENCHMARK_MAIN();
