// From a write of the live file to updated records and rows, through the real folder watcher:
// the watcher's wait for the writer to pause (25 ms of quiet, 150 ms after its previous
// message at the earliest) plus everything after it.

#include "bench/livegen.h"

#include "core/app/reload.h"
#include "core/live/livefolder.h"
#include "core/messages/racedetect.h"
#include "core/messages/raceevent.h"
#include "core/platform/filechk.h"
#include "core/platform/filestamp.h"
#include "core/platform/folderpoll.h"
#include "core/platform/messageids.h"
#include "core/standings/rows.h"
#include "tools/headless/headlesswindows.h"

#include <benchmark/benchmark.h>

#include "tests/support/fusemount.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <unistd.h>

namespace {

/// The watcher's posts, as the main window's queue would receive them.
class TPostBox {
  public:
    void Post(int message) {
        std::lock_guard lock(Mutex);
        if (message == WmLiveFolderChanged) {
            ++Changes;
        }
        Ready.notify_all();
    }
    bool WaitForChange(int seen, std::chrono::seconds limit) {
        std::unique_lock lock(Mutex);
        return Ready.wait_for(lock, limit, [&] { return Changes > seen; });
    }
    int Count() {
        std::lock_guard lock(Mutex);
        return Changes;
    }

  private:
    std::mutex Mutex;
    std::condition_variable Ready;
    int Changes = 0;
};

/// range(0): cars; range(1): 0 a local folder with change notification, 1 the same folder
/// polled, 2 a FUSE mount polled while the file is written underneath it, as the simulator's
/// PC writes to a share.
void BM_WriteToRows(benchmark::State& state) {
    const int cars = static_cast<int>(state.range(0));
    const int mode = static_cast<int>(state.range(1));
    const TFolderPolling polling = mode != 0 ? TFolderPolling::On : TFolderPolling::Off;
    const std::filesystem::path base =
        std::filesystem::temp_directory_path() / ("kestrune-latency-" + std::to_string(::getpid()));
    std::filesystem::create_directories(base / "local");
    std::optional<TFuseMount> share;
    if (mode == 2) {
        share.emplace(base / "other-pc", base / "share");
        if (!share->Mounted) {
            state.SkipWithError("bindfs could not mount a FUSE folder");
            std::filesystem::remove_all(base);
            return;
        }
    }
    const std::filesystem::path folder = mode == 2 ? base / "share" : base / "local";
    const std::filesystem::path written = mode == 2 ? base / "other-pc" : folder;
    const std::string path = (folder / "bench_live.txt").string();
    std::vector<std::string> versions;
    for (int r = 0; r < 4; ++r) {
        versions.push_back(MakeLiveText(cars, r));
    }

    TPostBox box;
    TFileChecker watcher(
        folder.string(), IsLiveFileName, [&box](int message) { box.Post(message); }, polling);
    watcher.Start();
    THeadlessWindows windows;
    TBroadcast live;
    TFollowedFile followed(path);
    std::vector<TStats1Data> rows;
    std::size_t next = 0;
    double total = 0.0;
    double worst = 0.0;
    for (auto _ : state) {
        const int seen = box.Count();
        const auto start = std::chrono::steady_clock::now();
        {
            std::ofstream out(written / "bench_live.txt", std::ios::binary | std::ios::trunc);
            out << versions[next];
        }
        next = (next + 1) % versions.size();
        if (!box.WaitForChange(seen, std::chrono::seconds(10))) {
            state.SkipWithError("the watcher did not report the write");
            break;
        }
        ApplyReadingResult(windows, LiveFolderChanged(followed, live, folder.string(), false),
                           live.EventQueue);
        BuildRows(*live.Players, 5, rows);
        const auto end = std::chrono::steady_clock::now();
        const double seconds = std::chrono::duration<double>(end - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
        worst = std::max(worst, seconds);
        live.EventQueue.Clear();
        // Let any second notification of the same write arrive before the next write.
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    state.counters["ms_mean"] =
        benchmark::Counter(1000.0 * total / static_cast<double>(state.iterations()));
    state.counters["ms_worst"] = benchmark::Counter(1000.0 * worst);
    watcher.Stop();
    share.reset();
    std::filesystem::remove_all(base);
}

/// The cost of one look at an idle polled folder holding a weekend's three live files: with
/// the pauses between looks it is the idle CPU of following a share. range(0): 0 a local
/// folder, 1 a FUSE mount.
void BM_IdleFolderLook(benchmark::State& state) {
    const std::filesystem::path base =
        std::filesystem::temp_directory_path() / ("kestrune-look-" + std::to_string(::getpid()));
    std::filesystem::create_directories(base / "local");
    std::optional<TFuseMount> share;
    if (state.range(0) == 1) {
        share.emplace(base / "other-pc", base / "share");
        if (!share->Mounted) {
            state.SkipWithError("bindfs could not mount a FUSE folder");
            std::filesystem::remove_all(base);
            return;
        }
    }
    const std::filesystem::path folder = state.range(0) == 1 ? base / "share" : base / "local";
    const std::filesystem::path written = state.range(0) == 1 ? base / "other-pc" : folder;
    for (const char* name : {"1-practice_live.txt", "2-qualify_live.txt", "3-race_live.txt"}) {
        std::ofstream(written / name, std::ios::binary) << MakeLiveText(20, 0);
    }
    TFolderPoll poll(folder.string(), IsLiveFileName, std::chrono::steady_clock::now());
    for (auto _ : state) {
        benchmark::DoNotOptimize(poll.Look(std::chrono::steady_clock::now()));
    }
    share.reset();
    std::filesystem::remove_all(base);
}

} // namespace

// Notified: the 25 ms wait for quiet and the rest. Polled: up to one 200 ms look interval,
// 100 ms on average, and the rest; the aim on a share is 500 ms at most.
BENCHMARK(BM_WriteToRows)
    ->Args({60, 0})
    ->Args({60, 1})
    ->Args({60, 2})
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_IdleFolderLook)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
