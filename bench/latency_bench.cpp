// From a write of the live file to updated records and rows, through the real folder watcher:
// the watcher's 200 ms gathering sleep plus everything after it.

#include "livegen.h"

#include "live/filechk.h"
#include "live/headlesswindows.h"
#include "live/reload.h"
#include "messages/racedetect.h"
#include "messages/raceevent.h"
#include "platform/filestamp.h"
#include "platform/messageids.h"
#include "standings/rows.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
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

void BM_WriteToRows(benchmark::State& state) {
    const int cars = static_cast<int>(state.range(0));
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kestrune-latency-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "bench_live.txt").string();
    std::vector<std::string> versions;
    for (int r = 0; r < 4; ++r) {
        versions.push_back(MakeLiveText(cars, r));
    }

    TPostBox box;
    TFileChecker watcher(folder.string(), [&box](int message) { box.Post(message); });
    watcher.Start();
    THeadlessWindows windows;
    TReloadHooks hooks;
    hooks.DetectRaceEvents = [&windows](TPlayers& players) {
        DetectRaceEvents(players, windows, EventQueue);
    };
    Players = std::make_unique<TPlayers>();
    LiveFileName = path;
    std::vector<TStats1Data> rows;
    std::size_t next = 0;
    double beyondSleep = 0.0;
    for (auto _ : state) {
        const int seen = box.Count();
        const auto start = std::chrono::steady_clock::now();
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out << versions[next];
        }
        next = (next + 1) % versions.size();
        if (!box.WaitForChange(seen, std::chrono::seconds(10))) {
            state.SkipWithError("the watcher did not report the write");
            break;
        }
        ReadFollowedFile(GetFileState(path), windows, hooks);
        BuildRows(*Players, 5, rows);
        const auto end = std::chrono::steady_clock::now();
        const double seconds = std::chrono::duration<double>(end - start).count();
        state.SetIterationTime(seconds);
        beyondSleep += seconds - 0.2;
        EventQueue.Clear();
        // Let any second notification of the same write arrive before the next write.
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    state.counters["ms_beyond_200"] =
        benchmark::Counter(1000.0 * beyondSleep / static_cast<double>(state.iterations()));
    watcher.Stop();
    std::filesystem::remove_all(folder);
}

} // namespace

BENCHMARK(BM_WriteToRows)->Arg(60)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
