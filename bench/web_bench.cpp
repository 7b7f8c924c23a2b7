// The browser sources against a real headless Chromium: how late a change drawn in the window
// shows in the page, how exactly the page scrolls a ranking strip, and what two open pages
// cost the program while a strip scrolls. Figures are counters of one run each.

#include "bench/livegen.h"
#include "core/app/broadcast.h"
#include "core/app/config.h"
#include "core/live/livefile.h"
#include "core/live/players.h"
#include "core/messages/raceevent.h"
#include "tests/support/cdpbrowser.h"
#include "ui/messages/msg1.h"
#include "ui/standings/stats1.h"
#include "ui/web/formwebwindows.h"
#include "ui/web/pictureencoding.h"
#include "ui/web/qtwebserver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <time.h>

#include "bench/processstats.h"

namespace {

/// The windows, fed with a 20-car race, and the server on a free port.
struct TStage {
    TStage() {
        Tower = std::make_unique<TFormStats1>(TTowerSources{Live.Players, Config});
        Ticker = std::make_unique<TFormMsg1>(
            TTickerSources{Live.EventQueue, Live.RankingList, Live.Players});
        Tower->show();
        Ticker->show();
        Race(0);
        Server =
            std::make_unique<TWebServer>(std::make_unique<TFormWebWindows>(*Tower, *Ticker),
                                         [this](const std::string& line) { CountDrops(line); });
        Server->Listen("127.0.0.1", 0);
    }

    void Race(int turn) {
        std::vector<TSlot> cars;
        for (int i = 0; i < 20; ++i) {
            TSlot slot;
            slot.Driver = "Driver " + std::to_string(i);
            slot.Position = (i + turn) % 20 + 1;
            slot.Laps = 3;
            slot.FinishStatus = "None";
            cars.push_back(slot);
        }
        Live.Players->Merge(cars);
        Tower->RedrawRequest();
    }

    /// One reading of a race as a plug-in writes them 0.2 s apart: the cars move on and the
    /// gaps drift, and the tower redraws what changed.
    void RaceReading(int round) {
        std::vector<TSlot> cars;
        TGameSession session;
        ParseLiveText(MakeLiveText(20, round), cars, session);
        for (std::size_t car = 0; car < cars.size(); ++car) {
            cars[car].TimeGapToPrev +=
                0.02f * static_cast<float>(round * static_cast<int>(car % 3));
        }
        Live.Players->Merge(cars);
        Live.Players->SetSession(session);
        Tower->RedrawRequest();
    }

    void StartStrip() {
        Live.RankingList.AddEvent("Best Lap", "", 0);
        for (int i = 1; i <= 40; ++i) {
            Live.RankingList.AddEvent("",
                                      "#" + std::to_string(i) + "# DRIVER" + std::to_string(i) +
                                          "  1:2" + std::to_string(i % 10) + ".456",
                                      0);
        }
        Ticker->SetRankingMode(true);
        for (int tick = 0; tick < 5; ++tick) {
            Ticker->Timer1Timer();
        }
    }

    QString Url(const char* page) const {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(Server->ServingPort()).arg(page);
    }

    TBroadcast Live;
    TKestruneConfig Config;
    std::unique_ptr<TFormStats1> Tower;
    std::unique_ptr<TFormMsg1> Ticker;
    std::unique_ptr<TWebServer> Server;
    /// Clients the server has cut off, as its log tells them one by one or counted.
    void CountDrops(const std::string& line) {
        if (line.find("was dropped") != std::string::npos) {
            ++Dropped;
        } else if (line.find(" more clients were dropped") != std::string::npos) {
            Dropped += std::stoi(line.substr(line.find(':') + 2));
        }
    }
    int Dropped = 0;
};

double Percentile(std::vector<double> values, double share) {
    if (values.empty()) {
        return -1;
    }
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
    return values[at];
}

/// A tower change every 200 ms, as a 5 Hz writer makes them; the page reports for each picture
/// how many milliseconds after the window drew it it was on its canvas.
void BM_WebChangeToPage(benchmark::State& state) {
    TStage stage;
    TCdpBrowser browser;
    const QSize size = stage.Tower->Bitmap().size();
    const QString page = browser.Open(stage.Url("tower"), size.width(), size.height());
    browser.WaitFor(page, "window.kestrune && window.kestrune.frames > 0", 15000);
    browser.Evaluate(page, "window.kestrune.latencies = []");
    const int changes = static_cast<int>(state.range(0));
    for (auto _ : state) {
        for (int turn = 1; turn <= changes; ++turn) {
            stage.Race(turn);
            PumpEvents(200);
        }
    }
    std::vector<double> latencies;
    for (const QJsonValue value : browser.Evaluate(page, "window.kestrune.latencies").toArray()) {
        latencies.push_back(value.toDouble());
    }
    state.counters["shown"] = static_cast<double>(latencies.size());
    state.counters["p50_ms"] = Percentile(latencies, 0.50);
    state.counters["p95_ms"] = Percentile(latencies, 0.95);
    state.counters["max_ms"] = Percentile(latencies, 1.0);
    if (!browser.Error().isEmpty()) {
        state.SkipWithError(browser.Error().toStdString().c_str());
    }
}

/// Two screenshots ten seconds apart of a strip the page scrolls on its own.
void BM_WebStripSpeed(benchmark::State& state) {
    TStage stage;
    TCdpBrowser browser;
    const QSize size = stage.Ticker->size();
    const QString page = browser.Open(stage.Url("ticker"), size.width(), size.height());
    browser.WaitFor(page, "window.kestrune && window.kestrune.frames > 0", 15000);
    double speed = 0;
    for (auto _ : state) {
        stage.StartStrip();
        const QImage strip = stage.Ticker->RankingBitmap().copy();
        browser.WaitFor(page, "window.kestrune.scrollFrom !== null", 15000);
        PumpEvents(300);
        QElapsedTimer clock;
        clock.start();
        const std::optional<int> from =
            StripOffsetShown(browser.Screenshot(page, size.width(), size.height()), strip);
        const qint64 fromAt = clock.elapsed();
        PumpEvents(10000);
        const std::optional<int> to =
            StripOffsetShown(browser.Screenshot(page, size.width(), size.height()), strip);
        const qint64 toAt = clock.elapsed();
        if (!from || !to) {
            state.SkipWithError("a screenshot is no part of the strip");
            return;
        }
        speed = (*to - *from) * 1000.0 / static_cast<double>(toAt - fromAt);
    }
    state.counters["px_per_s"] = speed;
}

/// The program's CPU and memory while a strip scrolls: 10 s with no page open, 10 s with the
/// tower and the ticker pages open, and 10 s with none again (the two without are averaged,
/// so a drift of the machine does not count as the pages' cost). The memory includes this
/// process's own DevTools connection to Chromium.
void BM_WebCostOfTwoPages(benchmark::State& state) {
    TStage stage;
    stage.StartStrip();
    PumpEvents(1000);
    const auto cpuRate = [] {
        const double cpu = ProcessCpuMs();
        PumpEvents(10000);
        return (ProcessCpuMs() - cpu) / 10.0;
    };
    for (auto _ : state) {
        const double rssBefore = ResidentMiB();
        const double aloneBefore = cpuRate();
        double rssWith = 0;
        double withPages = 0;
        {
            TCdpBrowser browser;
            const QString tower = browser.Open(stage.Url("tower"), 159, 476);
            const QString ticker = browser.Open(stage.Url("ticker"), 569, 77);
            browser.WaitFor(tower, "window.kestrune && window.kestrune.frames > 0", 15000);
            browser.WaitFor(ticker, "window.kestrune && window.kestrune.frames > 0", 15000);
            PumpEvents(1000);
            withPages = cpuRate();
            rssWith = ResidentMiB();
        }
        PumpEvents(1000);
        const double aloneAfter = cpuRate();
        const double alone = (aloneBefore + aloneAfter) / 2;
        state.counters["cpu_ms_per_s_alone"] = alone;
        state.counters["cpu_ms_per_s_with_pages"] = withPages;
        state.counters["cpu_rise_ms_per_s"] = withPages - alone;
        state.counters["rss_rise_MiB"] = rssWith - rssBefore;
    }
}

/// The program's CPU during a race, a reading every 200 ms: 20 s with no page open, then 20 s
/// with `pages` tower pages open. The difference is what the pages cost: the tower's picture
/// changes at nearly every reading, and each change goes to every page.
void BM_WebRaceCost(benchmark::State& state) {
    TStage stage;
    int round = 1000;
    const auto cpuRate = [&stage, &round] {
        const double cpu = ProcessCpuMs();
        for (int reading = 0; reading < 100; ++reading) {
            stage.RaceReading(++round);
            RunEventLoop(200);
        }
        return (ProcessCpuMs() - cpu) / 20.0;
    };
    const int pages = static_cast<int>(state.range(0));
    for (auto _ : state) {
        cpuRate(); // the race under way: every record has its history
        const double alone = cpuRate();
        TCdpBrowser browser;
        std::vector<QString> opened;
        for (int page = 0; page < pages; ++page) {
            opened.push_back(browser.Open(stage.Url("tower"), 159, 476));
        }
        for (const QString& page : opened) {
            browser.WaitFor(page, "window.kestrune && window.kestrune.frames > 0", 30000);
        }
        const int framesBefore = browser.Evaluate(opened.front(), "window.kestrune.frames").toInt();
        const double withPages = cpuRate();
        const int framesAfter = browser.Evaluate(opened.front(), "window.kestrune.frames").toInt();
        state.counters["cpu_ms_per_s_alone"] = alone;
        state.counters["cpu_ms_per_s_with_pages"] = withPages;
        state.counters["page_cost_ms_per_s"] = withPages - alone;
        state.counters["pictures_per_s"] = (framesAfter - framesBefore) / 20.0;
        if (!browser.Error().isEmpty()) {
            state.SkipWithError(browser.Error().toStdString().c_str());
        }
    }
}

/// What one tower change costs to encode, once for all pages: the whole picture (arg 0) or the
/// patch of what one race reading changed (arg 1).
void BM_EncodeTowerChange(benchmark::State& state) {
    TStage stage;
    const bool patch = state.range(0) == 1;
    std::vector<QImage> pictures;
    for (int round = 1000; pictures.size() < 20 && round < 3000; ++round) {
        stage.RaceReading(round);
        PumpEvents(0);
        const QImage& now = stage.Tower->Bitmap();
        if (pictures.empty() || now != pictures.back()) {
            pictures.push_back(now.copy());
        }
    }
    std::size_t next = 1;
    double bytes = 0;
    for (auto _ : state) {
        const TEncodedPicture encoded =
            patch ? EncodePatch(pictures[next - 1], pictures[next]) : EncodeWhole(pictures[next]);
        bytes += static_cast<double>(encoded.Png.size());
        next = next + 1 < pictures.size() ? next + 1 : 1;
    }
    state.counters["bytes"] = bytes / static_cast<double>(state.iterations());
}

/// Abusive clients (bench/webflood.py, each its own process, reconnecting when cut off) for
/// 20 s while a tower page is open and the race goes on: the program's resident memory at its
/// peak and 3 s after they stop, above what it was before; and how late the page showed the
/// tower's changes meanwhile. Arg 0: the kind of abuse; arg 1: how many clients at once.
void BM_WebFloods(benchmark::State& state) {
    static const char* const Modes[] = {"ping", "fragments",  "refused",
                                        "idle", "wrongtoken", "pipeline"};
    const char* mode = Modes[state.range(0)];
    state.SetLabel(mode);
    TStage stage;
    TCdpBrowser browser;
    const QString page = browser.Open(stage.Url("tower"), 159, 476);
    browser.WaitFor(page, "window.kestrune && window.kestrune.frames > 0", 15000);
    int round = 1000;
    const auto race = [&stage, &round](int ms) {
        QElapsedTimer clock;
        clock.start();
        double peak = ResidentMiB();
        while (clock.elapsed() < ms) {
            stage.RaceReading(++round);
            RunEventLoop(200);
            peak = std::max(peak, ResidentMiB());
        }
        return peak;
    };
    for (auto _ : state) {
        race(3000);
        const double before = ResidentMiB();
        browser.Evaluate(page, "window.kestrune.latencies = []");
        std::vector<std::unique_ptr<QProcess>> flooders;
        for (int i = 0; i < state.range(1); ++i) {
            flooders.push_back(std::make_unique<QProcess>());
            flooders.back()->start(QStringLiteral("python3"),
                                   {QStringLiteral(KESTRUNE_WEBFLOOD), QString::fromLatin1(mode),
                                    QString::number(stage.Server->ServingPort()),
                                    QStringLiteral("20")});
        }
        auto gaps = std::make_unique<TThreadGapWatch>();
        const double peak = race(20000);
        const qint64 longestGap = gaps->LongestGapMs();
        gaps.reset();
        std::vector<double> latencies;
        for (const QJsonValue value :
             browser.Evaluate(page, "window.kestrune.latencies").toArray()) {
            latencies.push_back(value.toDouble());
        }
        double answered = 0;
        for (const auto& flooder : flooders) {
            while (flooder->state() != QProcess::NotRunning) {
                PumpEvents(50);
            }
            answered += flooder->readAllStandardOutput().trimmed().toDouble();
        }
        const double after = race(3000);
        state.counters["rss_before_MiB"] = before;
        state.counters["rss_peak_rise_MiB"] = peak - before;
        state.counters["rss_after_rise_MiB"] = ResidentMiB() - before;
        state.counters["shown"] = static_cast<double>(latencies.size());
        state.counters["dropped"] = stage.Dropped;
        state.counters["window_thread_longest_gap_ms"] = static_cast<double>(longestGap);
        // The flooders that count their answers: requests a second the server answered.
        state.counters["answered_per_s"] = answered / 20.0;
        state.counters["late_p95_ms"] = Percentile(latencies, 0.95);
        state.counters["late_max_ms"] = Percentile(latencies, 1.0);
        (void)after;
    }
}

} // namespace

BENCHMARK(BM_WebFloods)
    ->ArgsProduct({{0, 1, 2, 3, 5}, {1}})
    ->Args({0, 4})
    ->Args({1, 4})
    ->Args({4, 4})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeTowerChange)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WebRaceCost)->Arg(1)->Arg(16)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WebChangeToPage)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WebStripSpeed)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WebCostOfTwoPages)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
