// The tower and the ticker as browser sources: real windows (offscreen), the real server on a
// free port, and a real headless Chromium showing the pages.

#include "core/app/broadcast.h"
#include "core/app/config.h"
#include "core/live/players.h"
#include "core/messages/raceevent.h"
#include "tests/support/cdpbrowser.h"
#include "ui/messages/msg1.h"
#include "ui/standings/stats1.h"
#include "ui/web/formwebwindows.h"
#include "ui/web/httpfront.h"
#include "ui/web/pagehost.h"
#include "ui/web/qtwebserver.h"
#include "ui/web/webservice.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QNetworkInterface>
#include <QPainter>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QWebSocket>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

#include "tests/support/carslot.h"

#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

TSlot Car(const std::string& driver, int position) {
    return CarSlot(driver, position,
                   {.Laps = 3,
                    .BestLap = 80.0F + static_cast<float>(position) / 7.0F,
                    .LapDistanceTravelled = 1000.0 * position});
}

/// The pixels of `shot` that differ from `picture` in colour (alpha ignored when `opaque`).
int Differences(const QImage& shot, const QImage& picture) {
    if (shot.size() != picture.size()) {
        return shot.width() * shot.height() + 1;
    }
    int differing = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            differing += qRgb(qRed(shot.pixel(x, y)), qGreen(shot.pixel(x, y)),
                              qBlue(shot.pixel(x, y))) != (picture.pixel(x, y) | 0xFF000000);
        }
    }
    return differing;
}

/// A picture drawn on no background, laid over black.
QImage OverBlack(const QImage& clear) {
    QImage over(clear.size(), QImage::Format_RGB32);
    over.fill(Qt::black);
    QPainter(&over).drawImage(0, 0, clear);
    return over;
}

/// Runs the event loop until `done`, for at most `ms`; whether it is done.
bool Until(const std::function<bool()>& done, int ms = 10000) {
    return QTest::qWaitFor(done, ms);
}

class BrowserSourceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Tower = std::make_unique<TFormStats1>(TTowerSources{Live.Players, Config});
        Ticker = std::make_unique<TFormMsg1>(
            TTickerSources{Live.EventQueue, Live.RankingList, Live.Players});
        // The test pages the ticker itself: an event must not run out while a busy machine
        // is slow to show it.
        QTimer* paging = Ticker->findChild<QTimer*>();
        ASSERT_NE(paging, nullptr);
        paging->stop();
        Tower->show();
        Ticker->show();
        Race(0);
        Server =
            std::make_unique<TWebServer>(std::make_unique<TFormWebWindows>(*Tower, *Ticker),
                                         [this](const std::string& line) { Log.push_back(line); });
        ASSERT_TRUE(Server->Listen("127.0.0.1", 0));
        ASSERT_TRUE(Browser.Error().isEmpty()) << Browser.Error().toStdString();
    }

    void TearDown() override {
        Server.reset();
        Ticker.reset();
        Tower.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    /// A reading of ten cars, the order rotated by `turn`, drawn in the tower.
    void Race(int turn) {
        std::vector<TSlot> cars;
        for (int i = 0; i < 10; ++i) {
            cars.push_back(
                Car("Driver " + std::string(1, static_cast<char>('A' + i)), (i + turn) % 10 + 1));
        }
        Live.Players->Merge(cars);
        Tower->RedrawRequest();
    }

    QString Url(const char* page) const {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(Server->ServingPort()).arg(page);
    }

    /// Opens `page` and waits until it shows its first picture.
    QString OpenShown(const char* page, QSize size) {
        const QString session = Browser.Open(Url(page), size.width(), size.height());
        EXPECT_TRUE(
            Browser.WaitFor(session, "window.kestrune && window.kestrune.frames > 0", 15000))
            << page << ": " << Browser.Error().toStdString();
        return session;
    }

    /// Waits until the page has shown more than `frames` pictures.
    bool ShownMoreThan(const QString& session, int frames) {
        return Browser.WaitFor(session, QStringLiteral("window.kestrune.frames > %1").arg(frames),
                               15000);
    }

    /// Waits until the page shows `picture` pixel for pixel (pictures drawn before it may still
    /// be on their way on a busy machine); the differing pixels of the last look.
    int DifferencesOnceShown(const QString& session, const QImage& picture) {
        int differing = -1;
        Until(
            [&] {
                differing = Differences(
                    Browser.Screenshot(session, picture.width(), picture.height()), picture);
                return differing == 0;
            },
            20000);
        return differing;
    }

    int Frames(const QString& session) {
        return Browser.Evaluate(session, "window.kestrune.frames").toInt();
    }

    TCdpBrowser Browser;
    TBroadcast Live;
    TKestruneConfig Config;
    std::unique_ptr<TFormStats1> Tower;
    std::unique_ptr<TFormMsg1> Ticker;
    std::unique_ptr<TWebServer> Server;
    std::vector<std::string> Log;
};

TEST_F(BrowserSourceTest, PagesShowTheWindowsPicturesPixelForPixelAsTheyChange) {
    const QSize towerSize = Tower->Bitmap().size();
    const QString tower = OpenShown("tower", towerSize);
    const QString ticker = OpenShown("ticker", Ticker->Composite().size());

    const int towerFrames = Frames(tower);
    Race(3);
    ASSERT_TRUE(ShownMoreThan(tower, towerFrames));
    EXPECT_EQ(DifferencesOnceShown(tower, Tower->Bitmap()), 0);

    const int tickerFrames = Frames(ticker);
    Live.EventQueue.AddEvent("Fastest Lap", "#1# DRIVER C  1:20.428", 5);
    Ticker->Timer1Timer(); // pages the event onto the line
    ASSERT_TRUE(ShownMoreThan(ticker, tickerFrames));
    EXPECT_EQ(DifferencesOnceShown(ticker, Ticker->Composite()), 0);
}

TEST_F(BrowserSourceTest, ATransparentPageIsDrawnOnNoBackgroundAndScaleKeepsPixels) {
    // The page is open before the event comes, so the event reaches it as a patch.
    const QString page = OpenShown("ticker?transparent=1&scale=2", Ticker->Composite().size() * 2);
    const int frames = Frames(page);
    Live.EventQueue.AddEvent("Fastest Lap", "#3# DRIVER C  1:20.428", 5);
    Ticker->Timer1Timer();
    ASSERT_TRUE(ShownMoreThan(page, frames));
    ASSERT_EQ(OverBlack(Ticker->Composite(true)), Ticker->Composite())
        << "the same drawing, on no background";
    const QImage clear = Ticker->Composite(true).convertToFormat(QImage::Format_ARGB32);

    const QImage shot = Browser.Screenshot(page, clear.width() * 2, clear.height() * 2);
    ASSERT_EQ(shot.size(), clear.size() * 2);
    int edges = 0;
    int wrong = 0;
    for (int y = 0; y < clear.height(); ++y) {
        for (int x = 0; x < clear.width(); ++x) {
            const QRgb want = clear.pixel(x, y);
            // The status line's text edges carry partial alpha, not a blend with black.
            edges += qAlpha(want) > 0 && qAlpha(want) < 255;
            for (const QPoint p : {QPoint(2 * x, 2 * y), QPoint(2 * x + 1, 2 * y + 1)}) {
                // Each picture pixel is a 2 x 2 block of its own colour and alpha (rounded
                // through the browser's premultiplied canvas).
                const QRgb got = shot.pixel(p);
                const auto off = [](int a, int b) { return std::abs(a - b) > 2; };
                wrong += off(qAlpha(got), qAlpha(want)) ||
                         (qAlpha(want) > 32 &&
                          (off(qRed(got), qRed(want)) || off(qGreen(got), qGreen(want)) ||
                           off(qBlue(got), qBlue(want))));
            }
        }
    }
    EXPECT_GT(edges, 50);
    EXPECT_EQ(wrong, 0);
}

TEST_F(BrowserSourceTest, TheRankingStripScrollsAt100PixelsASecondOnTheBrowsersClock) {
    const QString page = OpenShown("ticker", Ticker->size());
    Live.RankingList.AddEvent("Best Lap", "", 0);
    for (int i = 1; i <= 60; ++i) {
        Live.RankingList.AddEvent("",
                                  "#" + std::to_string(i) + "# DRIVER" + std::to_string(i) +
                                      "  1:2" + std::to_string(i % 10) + ".456",
                                  0);
    }
    Ticker->SetRankingMode(true);
    const QImage strip = Ticker->RankingBitmap().copy();
    ASSERT_TRUE(Browser.WaitFor(page, "window.kestrune.strip !== null", 15000));
    for (int tick = 0; tick < 5; ++tick) {
        Ticker->Timer1Timer(); // the still phase ends; the window and the page start moving
    }
    ASSERT_TRUE(Ticker->Scrolling());
    ASSERT_TRUE(Browser.WaitFor(page, "window.kestrune.scrollFrom !== null", 15000))
        << "the page was told that the strip scrolls";

    // Each screenshot is taken somewhere between the call and its answer: the speed lies
    // between the offsets' distance over the longest and over the shortest time apart.
    QElapsedTimer clock;
    clock.start();
    const QSize size = Ticker->size();
    const qint64 firstCalled = clock.elapsed();
    const QImage first = Browser.Screenshot(page, size.width(), size.height());
    const qint64 firstAnswered = clock.elapsed();
    PumpEvents(6000);
    const qint64 secondCalled = clock.elapsed();
    const QImage second = Browser.Screenshot(page, size.width(), size.height());
    const qint64 secondAnswered = clock.elapsed();

    const std::optional<int> from = StripOffsetShown(first, strip);
    const std::optional<int> to = StripOffsetShown(second, strip);
    ASSERT_TRUE(from && to) << "each screenshot is a part of the strip";
    const double moved = (*to - *from) * 1000.0;
    const double slowest = moved / static_cast<double>(secondAnswered - firstCalled);
    const double fastest = moved / static_cast<double>(secondCalled - firstAnswered);
    EXPECT_LE(slowest, 102.0);
    EXPECT_GE(fastest, 98.0);
}

TEST_F(BrowserSourceTest, BadRequestsAndAClientThatNeverReadsLeaveOthersServed) {
    const QSize towerSize = Tower->Bitmap().size();
    const QString page = OpenShown("tower", towerSize);
    const auto ask = [this](const QByteArray& request) {
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("127.0.0.1"), Server->ServingPort());
        EXPECT_TRUE(socket.waitForConnected(5000));
        socket.write(request);
        QByteArray answer;
        QElapsedTimer timer;
        timer.start();
        while (!answer.contains("\r\n") && timer.elapsed() < 10000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            socket.waitForReadyRead(5);
            answer += socket.readAll();
        }
        return answer.left(answer.indexOf("\r\n"));
    };
    EXPECT_EQ(ask("BREW /tower HTCPCP/1.0\r\n\r\n"), "HTTP/1.1 400 Bad Request");
    EXPECT_EQ(ask("GET /tower HTTP/1.1\r\nX: " + QByteArray(9000, 'a') + "\r\n\r\n"),
              "HTTP/1.1 431 Request Header Fields Too Large");
    EXPECT_EQ(ask("DELETE /tower HTTP/1.1\r\n\r\n"), "HTTP/1.1 405 Method Not Allowed");
    EXPECT_EQ(ask("GET /../kestrune.ini HTTP/1.1\r\n\r\n"), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(
        ask("GET /socket/tower HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
            "Connection: Upgrade\r\nOrigin: http://evil.example\r\n"
            "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n"),
        "HTTP/1.1 403 Forbidden");
    // A page of another site whose name was made to point here (DNS rebinding) names itself
    // in Host, and Origin agrees: refused, page and channel alike, and said.
    const QByteArray foreign = "attacker.example:" + QByteArray::number(Server->ServingPort());
    EXPECT_EQ(ask("GET /tower HTTP/1.1\r\nHost: " + foreign + "\r\n\r\n"),
              "HTTP/1.1 403 Forbidden");
    EXPECT_EQ(
        ask("GET /socket/tower HTTP/1.1\r\nHost: " + foreign + "\r\nOrigin: http://" + foreign +
            "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
            "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n"),
        "HTTP/1.1 403 Forbidden");
    // The front's lines reach the log through the windows' thread, after their answers.
    EXPECT_TRUE(Until([this] {
        return std::count_if(Log.begin(), Log.end(), [](const std::string& line) {
                   return line.find("'attacker.example:") != std::string::npos;
               }) == 2;
    })) << "each refusal is said";
    EXPECT_EQ(ask("GET /tower HTTP/1.1\r\nHost: localhost:" +
                  QByteArray::number(Server->ServingPort()) + "\r\n\r\n"),
              "HTTP/1.1 200 OK");

    // A live channel that sends a broken frame (unmasked, reserved bits set) is closed.
    QTcpSocket broken;
    broken.connectToHost(QStringLiteral("127.0.0.1"), Server->ServingPort());
    ASSERT_TRUE(broken.waitForConnected(5000));
    broken.write("GET /socket/tower HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
                 "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                 "Sec-WebSocket-Version: 13\r\n\r\n");
    QByteArray handshake;
    Until([&] { return (handshake += broken.readAll()).contains("\r\n\r\n"); });
    ASSERT_TRUE(handshake.startsWith("HTTP/1.1 101")) << handshake.left(80).toStdString();
    broken.write(QByteArray("\xF7\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 10));
    EXPECT_TRUE(Until([&] {
        broken.readAll();
        return broken.state() != QAbstractSocket::ConnectedState;
    }));

    // A live channel whose reader never reads (nothing is taken from the system's buffer):
    // the tower changes until the server holds bytes the system would not take for it (a busy
    // machine coalesces pictures, so no fixed count of changes is sure to get there). The page
    // and new requests are still served, and the reader is dropped once it has taken nothing
    // for ten seconds.
    QTcpSocket stalled;
    stalled.connectToHost(QStringLiteral("127.0.0.1"), Server->ServingPort());
    ASSERT_TRUE(stalled.waitForConnected(5000));
    stalled.setReadBufferSize(1);
    stalled.write("GET /socket/tower HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
                  "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                  "Sec-WebSocket-Version: 13\r\n\r\n");
    stalled.flush();
    QElapsedTimer pushing;
    pushing.start();
    int turn = 0;
    // It may also be dropped first, for leaving the server's pings unanswered.
    while (!Server->ChannelBehind(stalled.localPort()) && Server->ConnectionCount() > 1 &&
           pushing.elapsed() < 120000) {
        Race(++turn);
        PumpEvents(2); // each picture is encoded and sent before the next
    }
    ASSERT_TRUE(Server->ChannelBehind(stalled.localPort()) || Server->ConnectionCount() == 1)
        << turn << " pictures in " << pushing.elapsed() / 1000
        << " s and the reader that never reads is neither behind nor dropped";
    const int frames = Frames(page);
    Race(7);
    ASSERT_TRUE(ShownMoreThan(page, frames));
    EXPECT_EQ(DifferencesOnceShown(page, Tower->Bitmap()), 0);
    EXPECT_EQ(ask("GET / HTTP/1.1\r\n\r\n"), "HTTP/1.1 200 OK");
    EXPECT_TRUE(Until([this] { return Server->ConnectionCount() == 1; }, 60000))
        << "only the page is left";
    EXPECT_NE(Log.back().find("was dropped"), std::string::npos) << Log.back();
}

/// A client's frame, masked as the protocol asks.
QByteArray MaskedFrame(uint8_t first, const QByteArray& payload) {
    QByteArray frame;
    frame += static_cast<char>(first);
    frame += static_cast<char>(0x80 | payload.size()); // short payloads only
    const char mask[4] = {0x0A, 0x0B, 0x0C, 0x0D};
    frame.append(mask, 4);
    for (int i = 0; i < payload.size(); ++i) {
        frame += static_cast<char>(payload[i] ^ mask[i % 4]);
    }
    return frame;
}

const QByteArray Handshake = "Host: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                             "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                             "Sec-WebSocket-Version: 13\r\n\r\n";

/// A live channel asked for by hand; its request is on the wire when this returns.
std::unique_ptr<QTcpSocket> AskForChannel(quint16 port, const char* page) {
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QStringLiteral("127.0.0.1"), port);
    EXPECT_TRUE(socket->waitForConnected(5000));
    socket->write(QByteArray("GET /socket/") + page + " HTTP/1.1\r\n" + Handshake);
    socket->flush(); // as a browser sends it: at once
    return socket;
}

/// True once the channel's 101 answer has come, which is read and no more.
bool Upgraded(QTcpSocket& socket) {
    QByteArray answer;
    Until([&] { return (answer += socket.read(1)).contains("\r\n\r\n"); });
    return answer.startsWith("HTTP/1.1 101");
}

std::unique_ptr<QTcpSocket> RawChannel(quint16 port, const char* page) {
    std::unique_ptr<QTcpSocket> socket = AskForChannel(port, page);
    EXPECT_TRUE(Upgraded(*socket));
    return socket;
}

bool Logged(const std::vector<std::string>& log, const std::string& part) {
    return std::any_of(log.begin(), log.end(), [&part](const std::string& line) {
        return line.find(part) != std::string::npos;
    });
}

// Run by ctest under libfaketime (web_tests_clock_step), which lets the test step the
// process's wall clock through a file; skipped elsewhere.
TEST(BrowserSourceClock, AStepOfTheWallClockDropsNoGoodPageAndStillDropsADeadOne) {
    const char* offsetFile = std::getenv("FAKETIME_TIMESTAMP_FILE");
    if (offsetFile == nullptr) {
        GTEST_SKIP() << "needs libfaketime (ctest runs it as web_tests_clock_step)";
    }
    const auto stepTo = [offsetFile](const char* offset) {
        std::ofstream(offsetFile, std::ios::trunc) << offset << "\n";
    };
    stepTo("+0");
    TBroadcast live;
    TKestruneConfig config;
    TFormStats1 tower(TTowerSources{live.Players, config});
    TFormMsg1 ticker(TTickerSources{live.EventQueue, live.RankingList, live.Players});
    tower.show();
    ticker.show();
    std::vector<std::string> log;
    TWebServer server(std::make_unique<TFormWebWindows>(tower, ticker),
                      [&log](const std::string& line) { log.push_back(line); });
    ASSERT_TRUE(server.Listen("127.0.0.1", 0));

    // A page answers every ping (Qt's socket does, as a browser does); a dead one never reads.
    QWebSocket good;
    good.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/socket/tower").arg(server.ServingPort())));
    ASSERT_TRUE(Until([&] { return good.state() == QAbstractSocket::ConnectedState; }));
    std::unique_ptr<QTcpSocket> dead = RawChannel(server.ServingPort(), "ticker");
    dead->setReadBufferSize(1);
    PumpEvents(1500);

    const auto wallClock = [] { return QDateTime::currentSecsSinceEpoch(); };
    const qint64 before = wallClock();
    stepTo("+60s"); // forward, as a time service's correction does
    ASSERT_GE(wallClock() - before, 55) << "the wall clock did not step: is libfaketime loaded?";
    PumpEvents(2500);
    stepTo("-60s"); // and back, two minutes at once
    // The dead page's own socket never reads, so it never sees its end: the log tells.
    EXPECT_TRUE(Until([&] { return Logged(log, "was dropped"); }, 30000))
        << "a page that took nothing was held";
    EXPECT_EQ(good.state(), QAbstractSocket::ConnectedState) << "a good page was dropped";
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& line) {
                                return line.find("was dropped") != std::string::npos;
                            }),
              1);
    EXPECT_TRUE(Logged(log, "took nothing for 1")) << "after 10-19 s of steady time, not 60";
    good.close();
}

TEST_F(BrowserSourceTest, AbusiveClientsAreCutOffAtOnceAndGoodPagesAreServed) {
    const QSize towerSize = Tower->Bitmap().size();
    const QString page = OpenShown("tower", towerSize);
    const quint16 port = Server->ServingPort();

    // A ticker page that stops reading, with nothing new to send it: no bytes wait for it,
    // but it answers no ping, so it goes within seconds rather than holding its place.
    std::unique_ptr<QTcpSocket> silentTicker = RawChannel(port, "ticker");
    silentTicker->setReadBufferSize(1);

    // Pings as fast as the client can write them, never reading a pong.
    std::unique_ptr<QTcpSocket> pinger = RawChannel(port, "tower");
    pinger->setReadBufferSize(1);
    const QByteArray ping = MaskedFrame(0x89, QByteArray(125, 'p'));
    for (int i = 0; i < 4000 && pinger->state() == QAbstractSocket::ConnectedState; ++i) {
        pinger->write(ping);
        PumpEvents(0);
    }
    EXPECT_TRUE(Until([&] { return pinger->state() != QAbstractSocket::ConnectedState; }, 30000))
        << "the ping flood was not cut off";

    // One text message as endless empty fragments: each is a frame, so it is cut off too.
    std::unique_ptr<QTcpSocket> fragments = RawChannel(port, "ticker");
    fragments->write(MaskedFrame(0x01, ""));
    const QByteArray empty = MaskedFrame(0x00, "");
    for (int i = 0; i < 20000 && fragments->state() == QAbstractSocket::ConnectedState; ++i) {
        fragments->write(empty);
        PumpEvents(0);
    }
    EXPECT_TRUE(Until([&] { return fragments->state() != QAbstractSocket::ConnectedState; }, 30000))
        << "the endless message was not cut off";
    EXPECT_EQ(std::count_if(Log.begin(), Log.end(),
                            [](const std::string& line) {
                                return line.find("frames (") != std::string::npos;
                            }),
              2)
        << "one line each, not one a frame";

    // Refused handshakes hold no place: as many as there are places, then the places are all
    // there for pages.
    for (int i = 0; i < MaxWebClients; ++i) {
        QTcpSocket refused;
        refused.connectToHost(QStringLiteral("127.0.0.1"), port);
        ASSERT_TRUE(refused.waitForConnected(5000));
        refused.write("GET /socket/tower HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
                      "Connection: Upgrade\r\n\r\n");
        QByteArray answer;
        Until([&] { return (answer += refused.readAll()).contains("\r\n"); });
        EXPECT_TRUE(answer.startsWith("HTTP/1.1 400")) << answer.left(60).toStdString();
    }
    // Idle connections coming by the dozen push out idle ones, never a request that has come
    // whole: each channel's request is followed by more idle connections than there is room.
    std::vector<std::unique_ptr<QTcpSocket>> idle;
    const auto addIdle = [&](int count) {
        for (int i = 0; i < count; ++i) {
            idle.push_back(std::make_unique<QTcpSocket>());
            idle.back()->connectToHost(QStringLiteral("127.0.0.1"), port);
        }
        // Through the system's queue before the next blocking connect, so it never overflows.
        Until([&] {
            return std::none_of(idle.begin(), idle.end(), [](const auto& socket) {
                return socket->state() == QAbstractSocket::HostLookupState ||
                       socket->state() == QAbstractSocket::ConnectingState;
            });
        });
    };
    addIdle(MaxPendingRequests);
    std::vector<std::unique_ptr<QTcpSocket>> channels;
    for (int i = 1; i < MaxWebClients - 1; ++i) { // the page and the silent ticker have theirs
        channels.push_back(AskForChannel(port, "tower"));
        addIdle(MaxPendingRequests);
        ASSERT_TRUE(Upgraded(*channels.back())) << i << ": " << Log.back();
    }
    idle.clear();

    const int frames = Frames(page);
    Race(3);
    ASSERT_TRUE(ShownMoreThan(page, frames));
    EXPECT_EQ(DifferencesOnceShown(page, Tower->Bitmap()), 0);
    channels.clear();
    // The silent ticker came first, so it is the first to be dropped for it.
    EXPECT_TRUE(Until([this] { return Logged(Log, "took nothing for"); }, 30000))
        << "the ticker that stopped reading still holds its place";
    EXPECT_TRUE(Until([this] { return Server->ConnectionCount() == 1; }, 30000));
}

} // namespace

namespace {

TEST_F(BrowserSourceTest, APortInUseOrABadAddressIsOneLogLineAndNoServer) {
    std::vector<std::string> said;
    TWebServer second(std::make_unique<TFormWebWindows>(*Tower, *Ticker),
                      [&said](const std::string& line) { said.push_back(line); });
    EXPECT_FALSE(second.Listen("127.0.0.1", Server->ServingPort()));
    EXPECT_FALSE(second.Listen("sim-pc", 8787));
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[0].rfind("Web server: cannot listen on 127.0.0.1:", 0), 0u) << said[0];
    EXPECT_NE(said[1].find("'sim-pc' is not an IP address"), std::string::npos) << said[1];
    EXPECT_EQ(Log.size(), 1u) << "the first server said where it serves, once";

    // On every address: the log names one another PC can type, never the wildcard.
    TWebServer everywhere(std::make_unique<TFormWebWindows>(*Tower, *Ticker),
                          [&said](const std::string& line) { said.push_back(line); });
    ASSERT_TRUE(everywhere.Listen("0.0.0.0", 0));
    EXPECT_EQ(said.back().find("0.0.0.0"), std::string::npos) << said.back();
    const auto named = [&said](const QHostAddress& address) {
        return said.back().find("http://" + address.toString().toStdString() + ":") !=
               std::string::npos;
    };
    const QList<QHostAddress> own = QNetworkInterface::allAddresses();
    EXPECT_TRUE(std::any_of(own.begin(), own.end(), named)) << said.back();

    // "::" serves IPv6 only: the log names no IPv4 address, which would be refused.
    TWebServer ipv6(std::make_unique<TFormWebWindows>(*Tower, *Ticker),
                    [&said](const std::string& line) { said.push_back(line); });
    if (ipv6.Listen("::", 0)) {
        const auto count = [&said](const std::string& what) {
            std::size_t n = 0;
            for (auto at = said.back().find(what); at != std::string::npos;
                 at = said.back().find(what, at + 1)) {
                ++n;
            }
            return n;
        };
        EXPECT_GT(count("http://["), 0u) << said.back();
        EXPECT_EQ(count("http://"), count("http://[")) << said.back();
    }
}

} // namespace

namespace {

/// A port nothing listens on now.
int FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

/// The whole answer to `request`, which the server ends by closing the connection.
QByteArray Answered(int port, const QByteArray& request) {
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
    EXPECT_TRUE(socket.waitForConnected(5000));
    socket.write(request);
    QByteArray answer;
    EXPECT_TRUE(Until([&] {
        answer += socket.readAll();
        return socket.state() == QAbstractSocket::UnconnectedState;
    }));
    return answer + socket.readAll();
}

TEST_F(BrowserSourceTest, TheServerIsLoadedAsAModuleWhereItIsAndAMissingOneIsOneLogLine) {
    std::vector<std::string> said;
    const auto log = [&said](const std::string& line) { said.push_back(line); };
    QObject owner;
    const QString empty = QDir::tempPath();
    EXPECT_EQ(StartWebService(*Tower, *Ticker, nullptr, {"127.0.0.1", FreePort(), {}, {}}, log,
                              &owner, {empty}),
              nullptr);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("could not be loaded"), std::string::npos) << said[0];

    const int port = FreePort();
    ASSERT_NE(StartWebService(*Tower, *Ticker, nullptr, {"127.0.0.1", port, {}, {}}, log, &owner,
                              {empty, QStringLiteral(KESTRUNE_WEB_MODULE_FOLDER)}),
              nullptr);
    ASSERT_EQ(said.size(), 2u);
    EXPECT_NE(said[1].find("at http://127.0.0.1:" + std::to_string(port)), std::string::npos)
        << said[1];
    const QString page =
        Browser.Open(QStringLiteral("http://127.0.0.1:%1/tower").arg(port), 200, 500);
    EXPECT_TRUE(Browser.WaitFor(page, "window.kestrune && window.kestrune.frames > 0", 15000))
        << Browser.Error().toStdString();

    // The module's own resources: the index names the windows' sizes, a page its window, and a
    // HEAD gives the GET's length.
    const QByteArray index = Answered(port, "GET / HTTP/1.1\r\n\r\n");
    for (const QSize size : {Tower->Bitmap().size(), Ticker->Composite().size()}) {
        EXPECT_TRUE(index.contains(
            QStringLiteral("<td>%1 × %2</td>").arg(size.width()).arg(size.height()).toUtf8()))
            << index.toStdString();
    }
    const QByteArray ticker = Answered(port, "GET /ticker HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(ticker.contains("<script>const PAGE=\"ticker\";\n(() => {\n"))
        << ticker.left(400).toStdString();
    const QByteArray head = Answered(port, "HEAD /ticker HTTP/1.1\r\n\r\n");
    const qsizetype body = ticker.size() - ticker.indexOf("\r\n\r\n") - 4;
    EXPECT_TRUE(head.endsWith("\r\n\r\n")) << "headers only";
    EXPECT_TRUE(head.contains("Content-Length: " + QByteArray::number(body) + "\r\n"))
        << head.toStdString();
}

} // namespace
