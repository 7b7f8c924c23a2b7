// The control API and the data as a producer's desk uses them, on the real console, windows and
// server (offscreen): how long from a control call until the ticker shows the strip, how
// late a change on the console reaches a control surface's event stream, and what pollers at
// 4 Hz cost the program with the data unchanged and during a race. Counters of one run each.

#include "bench/livegen.h"
#include "core/app/broadcast.h"
#include "core/app/config.h"
#include "core/live/livefile.h"
#include "ui/app/consolecontrol.h"
#include "ui/app/mainform.h"
#include "ui/messages/msg1.h"
#include "ui/standings/stats1.h"
#include "ui/web/formwebwindows.h"
#include "ui/web/qtwebserver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QVariant>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <time.h>

#include "bench/processstats.h"

namespace {

constexpr const char* Token = "benchbenchbenchbenchbenchbench00";

double Percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[static_cast<std::size_t>(share * (values.size() - 1))];
}

/// The console with its tower and ticker, fed a 20-car race, and the server on a free port.
struct TDesk {
    TDesk() {
        std::ofstream(Ini) << "[Config]\nWebToken=" << Token << "\nWebReadToken=r\n";
        Load = LoadConfig(Ini);
        Main = std::make_unique<TFormMain>(Ini, Load, Live);
        Tower = std::make_unique<TFormStats1>(TTowerSources{Live.Players, Load.Config});
        Ticker = std::make_unique<TFormMsg1>(
            TTickerSources{Live.EventQueue, Live.RankingList, Live.Players});
        Main->SetBroadcastWindows(Tower.get(), Ticker.get());
        Main->ApplicationEvents1Idle();
        Control = std::make_unique<TConsoleControl>(*Main, Main->Model(), Live);
        Server = std::make_unique<TWebServer>(
            std::make_unique<TFormWebWindows>(*Tower, *Ticker, Control.get()),
            [](const std::string&) {});
        Server->Listen({"127.0.0.1", 0, {}, {Token, "r"}});
        Reading(1000);
    }

    /// One reading of the race, applied as the console applies one.
    void Reading(int round) {
        std::vector<TSlot> cars;
        TGameSession session;
        ParseLiveText(MakeLiveText(20, round), cars, session);
        Live.Players->Merge(cars);
        Live.Players->SetSession(session);
        TReadingResult result;
        result.Merged = true;
        Main->ApplyReading(result);
        Control->ReadingApplied(result);
    }

    /// Sends a control call and returns at once; the answer is read and dropped.
    void Post(const char* path) {
        auto* socket = new QTcpSocket(Main.get());
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
        socket->connectToHost("127.0.0.1", Server->ServingPort());
        socket->write(QByteArray("POST ") + path +
                      " HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer " + Token +
                      "\r\nContent-Length: 0\r\n\r\n");
    }

    ~TDesk() {
        Server.reset();
        Control.reset();
        Main.reset();
        std::filesystem::remove_all(Folder);
    }

    const std::filesystem::path Folder = [] {
        const auto folder =
            std::filesystem::temp_directory_path() /
            ("kestrune-api-bench-" + std::to_string(QCoreApplication::applicationPid()));
        std::filesystem::create_directories(folder);
        return folder;
    }();
    const std::string Ini = (Folder / "kestrune.ini").string();
    TBroadcast Live;
    TConfigLoad Load;
    std::unique_ptr<TFormMain> Main;
    std::unique_ptr<TFormStats1> Tower;
    std::unique_ptr<TFormMsg1> Ticker;
    std::unique_ptr<TConsoleControl> Control;
    std::unique_ptr<TWebServer> Server;
};

/// Runs the event loop, asleep between events, until `done`, looking every millisecond.
template <typename Done> bool Until(Done done, int ms = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) {
        QEventLoop loop;
        QTimer::singleShot(1, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

/// POST /api/strip/gapl until the ticker shows the strip (it stands still a few seconds before
/// it scrolls, as a button's does), 50 times.
void BM_ApiControlRoundTrip(benchmark::State& state) {
    TDesk desk;
    TFormWebWindows ticker(*desk.Tower, *desk.Ticker);
    for (auto _ : state) {
        std::vector<double> times;
        for (int i = 0; i < 50; ++i) {
            QElapsedTimer clock;
            clock.start();
            desk.Post("/api/strip/gapl");
            if (!Until([&] { return ticker.Strip().Shown; })) {
                state.SkipWithError("the strip was never shown");
                return;
            }
            times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
            desk.Post("/api/strip/stop");
            Until([&] { return !desk.Ticker->RankingMode(); });
            RunEventLoop(50);
        }
        state.counters["p50_ms"] = Percentile(times, 0.5);
        state.counters["p95_ms"] = Percentile(times, 0.95);
        state.counters["max_ms"] = Percentile(times, 1.0);
    }
}

/// A strip started with the console's own button until a control surface's event stream has
/// the state that shows it, 50 times.
void BM_ApiStatePush(benchmark::State& state) {
    TDesk desk;
    QTcpSocket events;
    events.connectToHost("127.0.0.1", desk.Server->ServingPort());
    events.write("GET /api/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    std::string streamed;
    const auto seen = [&](const char* strip) {
        streamed += events.readAll().toStdString();
        const std::size_t last = streamed.rfind("\"strip\":");
        return last != std::string::npos &&
               streamed.compare(last, 9 + std::strlen(strip),
                                "\"strip\":\"" + std::string(strip)) == 0;
    };
    Until([&] { return seen(""); });
    for (auto _ : state) {
        std::vector<double> times;
        for (int i = 0; i < 50; ++i) {
            QElapsedTimer clock;
            clock.start();
            desk.Main->Button10Click();
            if (!Until([&] { return seen("gapl"); })) {
                state.SkipWithError("the stream never showed the strip");
                return;
            }
            times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
            desk.Main->SetRankingMode(false);
            Until([&] { return seen("\""); });
        }
        state.counters["p50_ms"] = Percentile(times, 0.5);
        state.counters["p95_ms"] = Percentile(times, 0.95);
        state.counters["max_ms"] = Percentile(times, 1.0);
    }
}

/// The program's CPU for 20 s without pollers, then 20 s with four pollers of the standings
/// at 4 Hz (another process, as Companion or vMix is): arg 0 with no reading (the data
/// unchanged), arg 1 during a race (a reading every 200 ms).
void BM_ApiPollerCost(benchmark::State& state) {
    TDesk desk;
    const bool race = state.range(0) == 1;
    int round = 2000;
    const auto cpuRate = [&] {
        const double cpu = ProcessCpuMs();
        for (int tick = 0; tick < 100; ++tick) {
            if (race) {
                desk.Reading(++round);
            }
            RunEventLoop(200);
        }
        return (ProcessCpuMs() - cpu) / 20.0;
    };
    for (auto _ : state) {
        cpuRate();
        const double alone = cpuRate();
        QProcess pollers;
        pollers.start("python3", {KESTRUNE_POLLER, QString::number(desk.Server->ServingPort()),
                                  "/data/standings.json", "4", "4", "20"});
        const double polled = cpuRate();
        pollers.waitForFinished(30000);
        state.counters["cpu_ms_per_s_alone"] = alone;
        state.counters["cpu_ms_per_s_polled"] = polled;
        state.counters["poller_cost_ms_per_s"] = polled - alone;
        state.SetLabel(pollers.readAllStandardOutput().trimmed().toStdString());
    }
}

/// A client on one connection that pipelines data requests and never reads an answer, for 15 s
/// while the race goes on: the program's resident memory at its peak above what it was before,
/// and the window thread's longest gap meanwhile.
void BM_ApiNeverReadingPipeline(benchmark::State& state) {
    TDesk desk;
    int round = 3000;
    for (auto _ : state) {
        for (int tick = 0; tick < 10; ++tick) {
            desk.Reading(++round);
            RunEventLoop(200);
        }
        const double before = ResidentMiB();
        QProcess flooder;
        flooder.start("python3", {KESTRUNE_WEBFLOOD, "pipeline",
                                  QString::number(desk.Server->ServingPort()), "15"});
        const TThreadGapWatch gaps;
        QElapsedTimer flooding;
        flooding.start();
        double peak = before;
        while (flooder.state() != QProcess::NotRunning || flooding.elapsed() < 15000) {
            desk.Reading(++round);
            RunEventLoop(200);
            peak = std::max(peak, ResidentMiB());
        }
        const qint64 longestGap = gaps.LongestGapMs();
        state.counters["rss_before_MiB"] = before;
        state.counters["rss_peak_rise_MiB"] = peak - before;
        state.counters["window_thread_longest_gap_ms"] = static_cast<double>(longestGap);
    }
}

/// The floor under BM_ApiPollerCost/0: the same four pollers against a bare Qt server that
/// answers every request on its kept connection with a fixed 304 and does nothing else.
void BM_BareQtPollerFloor(benchmark::State& state) {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&server] {
        while (QTcpSocket* socket = server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                QByteArray& seen = *socket->property("seen").value<QByteArray*>();
                seen += socket->readAll();
                for (qsizetype end; (end = seen.indexOf("\r\n\r\n")) >= 0;) {
                    seen.remove(0, end + 4);
                    socket->write("HTTP/1.1 304 Not Modified\r\nETag: \"1\"\r\n\r\n");
                    socket->flush();
                }
            });
            auto* seen = new QByteArray;
            socket->setProperty("seen", QVariant::fromValue(seen));
            QObject::connect(socket, &QObject::destroyed, [seen] { delete seen; });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    const auto cpuRate = [] {
        const double cpu = ProcessCpuMs();
        RunEventLoop(20000);
        return (ProcessCpuMs() - cpu) / 20.0;
    };
    for (auto _ : state) {
        const double alone = cpuRate();
        QProcess pollers;
        pollers.start("python3", {KESTRUNE_POLLER, QString::number(server.serverPort()),
                                  "/data/standings.json", "4", "4", "20"});
        const double polled = cpuRate();
        pollers.waitForFinished(30000);
        state.counters["poller_cost_ms_per_s"] = polled - alone;
        state.SetLabel(pollers.readAllStandardOutput().trimmed().toStdString());
    }
}

} // namespace

BENCHMARK(BM_BareQtPollerFloor)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiControlRoundTrip)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiStatePush)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiNeverReadingPipeline)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiPollerCost)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

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
