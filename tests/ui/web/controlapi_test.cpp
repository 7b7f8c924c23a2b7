// The console driven and read over the web server's API, as a control surface and a graphics
// engine do: the real console and windows (offscreen), the real server on a free port, raw
// HTTP on real sockets.

#include "core/app/broadcast.h"
#include "core/app/config.h"
#include "core/messages/readingresult.h"
#include "core/web/tokenguard.h"
#include "tests/support/carslot.h"
#include "tests/support/cdpbrowser.h"
#include "tests/support/consoledesk.h"
#include "tests/support/testfiles.h"
#include "ui/app/consolecontrol.h"
#include "ui/app/mainform.h"
#include "ui/messages/msg1.h"
#include "ui/standings/stats1.h"
#include "ui/web/eventstreams.h"
#include "ui/web/formwebwindows.h"
#include "ui/web/qtwebserver.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonValue>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

namespace {

constexpr const char* Token = "0123456789abcdef0123456789abcdef";

bool Until(const std::function<bool()>& done, int ms = 20000) {
    return QTest::qWaitFor(done, ms);
}

struct THttpAnswer {
    int Status = 0;
    std::string Head;
    std::string Body;
};

class ControlApi : public ::testing::Test {
  protected:
    void SetUp() override {
        std::ofstream(Ini) << IniText();
        Desk = std::make_unique<TConsoleDesk>(Ini, Live);
        Main = Desk->Main.get();
        Stats = Desk->Stats.get();
        Msg = Desk->Msg.get();
        Desk->Show();
        Live.Players->Merge({CarSlot("Tom Rider", 1, {.Laps = 4, .BestLap = 83.5f}),
                             CarSlot("Ann, \"Speedy\"", 2, {.Laps = 4, .BestLap = 84.0f})});
        Control = std::make_unique<TConsoleControl>(*Main, Main->Model(), Live);
        Server = std::make_unique<TWebServer>(
            std::make_unique<TFormWebWindows>(*Stats, *Msg, Control.get()),
            [this](const std::string& line) { Main->AddLog(line); });
        ASSERT_TRUE(Server->Listen({"127.0.0.1", 0, {}, {Token, "r"}}));
    }
    virtual std::string IniText() const {
        return std::string("[Config]\nWebToken=") + Token + "\nWebReadToken=r\n";
    }
    void TearDown() override {
        Server.reset();
        Control.reset();
        Desk.reset();
    }

    /// Sends `request` (a head, the blank line and a body) and reads the answer to its end:
    /// the connection is asked to close after it, rather than kept for a next request.
    THttpAnswer Ask(std::string request, const char* from = "127.0.0.1") {
        request.insert(request.find("\r\n") + 2, "Connection: close\r\n");
        QTcpSocket socket;
        EXPECT_TRUE(socket.bind(QHostAddress(from), 0)) << from;
        socket.connectToHost("127.0.0.1", Server->ServingPort());
        EXPECT_TRUE(socket.waitForConnected(5000));
        socket.write(request.data(), static_cast<qint64>(request.size()));
        std::string bytes;
        Until([&] {
            bytes += socket.readAll().toStdString();
            return socket.state() == QAbstractSocket::UnconnectedState;
        });
        THttpAnswer answer;
        const std::size_t end = bytes.find("\r\n\r\n");
        answer.Head = bytes.substr(0, end);
        answer.Body = end == std::string::npos ? "" : bytes.substr(end + 4);
        answer.Status = bytes.size() > 12 ? std::stoi(bytes.substr(9, 3)) : 0;
        return answer;
    }
    THttpAnswer Post(const std::string& path, const std::string& body = "",
                     const std::string& headers = std::string("Authorization: Bearer ") + Token +
                                                  "\r\n",
                     const char* from = "127.0.0.1") {
        return Ask("POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers +
                       "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body,
                   from);
    }
    /// A connection from `from` that has sent `request` and reads nothing.
    std::unique_ptr<QTcpSocket> Unread(const char* from, const std::string& request) {
        auto socket = std::make_unique<QTcpSocket>();
        EXPECT_TRUE(socket->bind(QHostAddress(from), 0)) << from;
        // Qt reads nothing past a small buffer, and the system's window is small: what the
        // server sends piles up in its own buffers at once.
        socket->setReadBufferSize(4096);
        socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
        socket->connectToHost("127.0.0.1", Server->ServingPort());
        EXPECT_TRUE(socket->waitForConnected(5000));
        socket->write(request.data(), static_cast<qint64>(request.size()));
        return socket;
    }
    std::string LogText() { return Desk->LogText().toStdString(); }

    const TTempFolder Temp{"kestrune-api"};
    const std::string Ini = Temp.File("kestrune.ini");
    TBroadcast Live;
    std::unique_ptr<TConsoleDesk> Desk;
    TFormMain* Main = nullptr;
    TFormStats1* Stats = nullptr;
    TFormMsg1* Msg = nullptr;
    std::unique_ptr<TConsoleControl> Control;
    std::unique_ptr<TWebServer> Server;
};

TEST_F(ControlApi, EachCallHasTheConsolesEffectOnlyWithTheToken) {
    // Without the token, or from another site's page with it, nothing changes.
    EXPECT_EQ(Post("/api/strip/gapl", "", "").Status, 401);
    EXPECT_EQ(Post("/api/strip/gapl", "", "Authorization: Bearer wrong\r\n").Status, 401);
    EXPECT_EQ(
        Post("/api/strip/gapl", "",
             std::string("Origin: http://evil.example\r\nAuthorization: Bearer ") + Token + "\r\n")
            .Status,
        403);
    EXPECT_FALSE(Msg->RankingMode());
    EXPECT_NE(LogText().find("without the control token"), std::string::npos) << LogText();

    const THttpAnswer gapl = Post("/api/strip/gapl");
    EXPECT_EQ(gapl.Status, 200) << gapl.Body;
    EXPECT_TRUE(Msg->RankingMode());
    EXPECT_NE(gapl.Body.find("\"strip\":\"gapl\""), std::string::npos) << gapl.Body;
    EXPECT_NE(LogText().find("Web control from 127.0.0.1: GapL strip pressed"), std::string::npos);
    EXPECT_EQ(Post("/api/strip/stop").Status, 200);
    EXPECT_FALSE(Msg->RankingMode());

    EXPECT_EQ(Post("/api/window/tower/hide").Status, 200);
    EXPECT_FALSE(Stats->isVisible());
    EXPECT_EQ(Post("/api/window/tower/toggle").Status, 200);
    EXPECT_TRUE(Stats->isVisible());

    EXPECT_EQ(Post(std::string("/api/ticker/text?token=") + Token, "ON AIR", "").Status, 200);
    EXPECT_EQ(Main->Model().State().TickerText, "ON AIR");
    EXPECT_EQ(Main->findChild<QLineEdit*>("Edit1")->text(), "ON AIR") << "the tab shows it";
    EXPECT_EQ(Post("/api/classview/on").Status, 200);
    EXPECT_TRUE(Main->findChild<QCheckBox*>("CheckClassView")->isChecked());
    EXPECT_TRUE(Live.ClassView);
    EXPECT_TRUE(LoadConfig(Ini).Config.ClassView) << "saved as the box saves it";
    const THttpAnswer twoLines = Post("/api/ticker/text", "a\nb");
    EXPECT_EQ(twoLines.Status, 400);
    EXPECT_NE(twoLines.Body.find("one line"), std::string::npos) << twoLines.Body;
    EXPECT_EQ(Post("/api/strip/fastest").Status, 404);
    EXPECT_EQ(Ask("GET /api/strip/gapl HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n").Status, 405)
        << "a GET changes nothing";

    EXPECT_EQ(Post("/api/ignore", "Tom Rider\n").Status, 200);
    EXPECT_TRUE(Live.Names.IsIgnored("Tom Rider"));
}

TEST_F(ControlApi, DataAreServedOncePerChangeAndTheStateIsPushed) {
    const std::string get = "GET /data/standings.json HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    const THttpAnswer standings = Ask(get + "\r\n");
    ASSERT_EQ(standings.Status, 200);
    EXPECT_EQ(standings.Body.rfind("[{\"position\":1,", 0), 0u) << standings.Body;
    const std::size_t tag = standings.Head.find("ETag: ");
    ASSERT_NE(tag, std::string::npos) << standings.Head;
    const std::string etag =
        standings.Head.substr(tag + 6, standings.Head.find("\r\n", tag) - tag - 6);
    EXPECT_EQ(Ask(get + "If-None-Match: " + etag + "\r\n\r\n").Status, 304);
    // A poller keeps its connection: a second request on it is answered too.
    QTcpSocket kept;
    kept.connectToHost("127.0.0.1", Server->ServingPort());
    ASSERT_TRUE(kept.waitForConnected(5000));
    kept.write((get + "\r\n" + get + "If-None-Match: " + etag + "\r\n\r\n").c_str());
    std::string both;
    EXPECT_TRUE(Until([&] {
        both += kept.readAll().toStdString();
        return both.find("HTTP/1.1 304") != std::string::npos;
    })) << both;
    EXPECT_EQ(both.rfind("HTTP/1.1 200", 0), 0u);
    const THttpAnswer csv = Ask("GET /data/standings.csv HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    EXPECT_NE(csv.Body.find("\"Ann, \"\"Speedy\"\"\""), std::string::npos) << csv.Body;

    // The server's thread keeps the last answer only until a reading changes the records.
    Live.Players->Merge({CarSlot("Kim Cole", 3, {.Laps = 4, .BestLap = 85.0f})});
    TReadingResult reading;
    reading.Merged = true;
    Control->ReadingApplied(reading);
    THttpAnswer changed;
    EXPECT_TRUE(Until([&] {
        changed = Ask(get + "If-None-Match: " + etag + "\r\n\r\n");
        return changed.Status == 200;
    })) << changed.Status;
    EXPECT_NE(changed.Body.find("\"driver\":\"Kim Cole\""), std::string::npos) << changed.Body;

    // A control surface's stream of the state sees a strip that the console's button starts.
    QTcpSocket events;
    events.connectToHost("127.0.0.1", Server->ServingPort());
    ASSERT_TRUE(events.waitForConnected(5000));
    events.write("GET /api/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    std::string streamed;
    ASSERT_TRUE(Until([&] {
        streamed += events.readAll().toStdString();
        return streamed.find("\"strip\":\"\"") != std::string::npos;
    })) << streamed;
    Main->Button10Click();
    EXPECT_TRUE(Until([&] {
        streamed += events.readAll().toStdString();
        return streamed.find("\"strip\":\"gapl\"") != std::string::npos;
    })) << streamed;
    EXPECT_EQ(Server->EventClientCount(), 1);
}

TEST_F(ControlApi, TheWebTabTurnsTheServerOnAndOffAndRenewsTheTokenAtOnce) {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();
    Main->findChild<QSpinBox*>("SpinWebPort")->setValue(port);
    Main->findChild<QCheckBox*>("CheckWebOn")->setChecked(true);
    EXPECT_NE(LogText().find("WebReadToken is shorter than 16 characters and is not taken"),
              std::string::npos)
        << LogText();
    const QString tower = Main->findChild<QLineEdit*>("EditWebTower")->text();
    EXPECT_EQ(tower, QStringLiteral("http://127.0.0.1:%1/tower").arg(port)) << LogText();
    Main->findChild<QPushButton*>("EditWebTowerCopy")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), tower);
    EXPECT_EQ(LoadConfig(Ini).Config.WebPort, port) << "saved at once";

    const auto post = [port](const std::string& token) {
        QTcpSocket socket;
        socket.connectToHost("127.0.0.1", port);
        socket.waitForConnected(5000);
        socket.write(("POST /api/strip/stop HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer " +
                      token + "\r\n\r\n")
                         .c_str());
        QByteArray answer;
        Until([&] { return (answer += socket.readAll()).contains("\r\n"); });
        return answer.left(12).toStdString();
    };
    EXPECT_EQ(post(Token), "HTTP/1.1 200");
    Main->findChild<QPushButton*>("ButtonWebTokenNew")->click();
    const std::string renewed = LoadConfig(Ini).Config.WebToken;
    EXPECT_NE(renewed, Token);
    EXPECT_EQ(Main->findChild<QLineEdit*>("EditWebToken")->text().toStdString(), renewed);
    EXPECT_EQ(post(Token), "HTTP/1.1 401") << "the old token no longer controls";
    EXPECT_EQ(post(renewed), "HTTP/1.1 200");

    // A name this PC is reached by, added on the tab, is answered from then on.
    const auto asHost = [port](const std::string& host) {
        QTcpSocket socket;
        socket.connectToHost("127.0.0.1", port);
        socket.waitForConnected(5000);
        socket.write(
            ("GET /api/state HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n\r\n").c_str());
        QByteArray answer;
        Until([&] { return (answer += socket.readAll()).contains("\r\n"); });
        return answer.left(12).toStdString();
    };
    const std::string studio = "studio-pc.lan:" + std::to_string(port);
    EXPECT_EQ(asHost(studio), "HTTP/1.1 403");
    auto* hosts = Main->findChild<QLineEdit*>("EditWebHosts");
    hosts->setText("studio-pc.lan");
    emit hosts->editingFinished();
    EXPECT_EQ(asHost(studio), "HTTP/1.1 200");
    EXPECT_EQ(LoadConfig(Ini).Config.WebHosts, "studio-pc.lan");

    Main->findChild<QCheckBox*>("CheckWebOn")->setChecked(false);
    QTcpSocket refused;
    refused.connectToHost("127.0.0.1", port);
    EXPECT_FALSE(refused.waitForConnected(2000)) << "the server stopped";
    EXPECT_EQ(LoadConfig(Ini).Config.WebPort, 0);
}

/// A page of another site, served from a second port of this PC, that tries every way a page
/// has to reach the server: it must change nothing and read nothing.
const char* const AttackerPage = R"HTML(<!DOCTYPE html><html><body><iframe name="sink"></iframe>
<script>
const target = "http://127.0.0.1:" + location.hash.slice(1);
window.results = {};
fetch(target + "/api/strip/gapl?token=guess", {method: "POST", mode: "no-cors"}).catch(() => {});
const form = document.createElement("form");
form.method = "POST"; form.action = target + "/api/strip/best"; form.target = "sink";
document.body.appendChild(form); form.submit();
navigator.sendBeacon(target + "/api/window/tower/hide", "x");
fetch(target + "/data/standings.json").then(r => r.text()).then(
  t => { window.results.data = t; }, () => { window.results.data = "refused"; });
const socket = new WebSocket(target.replace("http", "ws") + "/socket/tower");
socket.onopen = () => { window.results.socket = "open"; };
socket.onerror = () => { window.results.socket = "refused"; };
</script></body></html>)HTML";

/// The console's own server, with a control token set by hand that is far too short.
class ControlApiShortToken : public ControlApi {
  protected:
    std::string IniText() const override {
        return "[Config]\nWebPort=" + std::to_string(FreePort) + "\nWebToken=4711\n";
    }
    int FreePort = [] {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return static_cast<int>(probe.serverPort());
    }();
};

TEST_F(ControlApiShortToken, AShortTokenIsNotTakenAndControlStaysOff) {
    EXPECT_NE(LogText().find("WebToken is shorter than 16 characters and is not taken"),
              std::string::npos)
        << LogText();
    EXPECT_TRUE(Main->findChild<QLabel*>("LabelWebClients")->text().startsWith("Control is off"));
    QTcpSocket socket;
    socket.connectToHost("127.0.0.1", static_cast<quint16>(FreePort));
    ASSERT_TRUE(socket.waitForConnected(5000));
    socket.write("POST /api/strip/gapl HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer "
                 "4711\r\n\r\n");
    QByteArray answer;
    Until([&] { return (answer += socket.readAll()).contains("\r\n"); });
    EXPECT_EQ(answer.left(12).toStdString(), "HTTP/1.1 401");
    EXPECT_FALSE(Msg->RankingMode());
}

TEST_F(ControlApi, APageOfAnotherSiteChangesNothingAndReadsNothing) {
    QTcpServer site;
    ASSERT_TRUE(site.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&site, &QTcpServer::newConnection, &site, [&site] {
        while (QTcpSocket* socket = site.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                const QByteArray page(AttackerPage);
                socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                              QByteArray::number(page.size()) + "\r\nConnection: close\r\n\r\n" +
                              page);
                socket->disconnectFromHost();
            });
        }
    });
    TCdpBrowser browser;
    ASSERT_TRUE(browser.Error().isEmpty()) << browser.Error().toStdString();
    const QString tab = browser.Open(
        QStringLiteral("http://127.0.0.1:%1/#%2").arg(site.serverPort()).arg(Server->ServingPort()),
        400, 300);
    ASSERT_TRUE(browser.WaitFor(tab, "!!(window.results && results.data && results.socket)", 20000))
        << browser.Error().toStdString();
    EXPECT_EQ(browser.Evaluate(tab, "results.data").toString(), "refused");
    EXPECT_EQ(browser.Evaluate(tab, "results.socket").toString(), "refused");
    // The three changes were sent: wait until the server has refused each, then look.
    const std::string origin = "a page of 'http://127.0.0.1:" + std::to_string(site.serverPort());
    EXPECT_TRUE(Until([&] {
        const std::string log = LogText();
        return log.find(origin + "' that asked for /api/strip/gapl") != std::string::npos &&
               log.find(origin + "' that asked for /api/strip/best") != std::string::npos &&
               log.find(origin + "' that asked for /api/window/tower/hide") != std::string::npos;
    })) << LogText();
    EXPECT_NE(LogText().find("refused a live channel"), std::string::npos) << LogText();
    EXPECT_FALSE(Msg->RankingMode());
    EXPECT_TRUE(Stats->isVisible());

    // A site's name rebound to this PC makes its pages same-origin with the server: the Host
    // they send is what refuses them.
    const QString rebound = browser.Open(
        QStringLiteral("http://rebound.example:%1/data/standings.json").arg(Server->ServingPort()),
        400, 300);
    ASSERT_TRUE(browser.WaitFor(rebound, "document.readyState === 'complete'", 20000));
    EXPECT_EQ(browser.Evaluate(rebound, "document.body.innerText.trim()").toString(), "Forbidden");
}

TEST_F(ControlApi, AClientCanNeitherForgeALogLineNorHoldWhatIsNotItsOwn) {
    // A Host made to look like a line of its own stays inside the refusal's line.
    const THttpAnswer forged =
        Ask("GET /api/state HTTP/1.1\r\nHost: x\xE2\x80\xA8Web control from 127.0.0.1: Message "
            "Window hide\r\n\r\n");
    EXPECT_EQ(forged.Status, 403);
    EXPECT_TRUE(Until([&] { return LogText().find("x\\u{2028}Web control") != std::string::npos; }))
        << LogText();
    EXPECT_EQ(LogText().find("\nWeb control from 127.0.0.1: Message Window hide"),
              std::string::npos);
    EXPECT_EQ(Ask("POST /api/ignore HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 1\r\n"
                  "Content-Length: 40\r\n\r\nx")
                  .Status,
              400);

    // Event streams held open by one address take that address's share only.
    std::vector<std::unique_ptr<QTcpSocket>> held;
    for (std::size_t i = 0; i < MaxEventClientsPerAddress + 2; ++i) {
        held.push_back(Unread("127.0.0.2", "GET /api/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
    }
    EXPECT_TRUE(Until([&] {
        return LogText().find("an event stream at 127.0.0.2 was closed for a newer one") !=
                   std::string::npos &&
               Server->EventClientCount() == static_cast<int>(MaxEventClientsPerAddress);
    })) << Server->EventClientCount();
    const auto surface = Unread("127.0.0.1", "GET /api/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    std::string streamed;
    EXPECT_TRUE(Until([&] {
        streamed += surface->readAll().toStdString();
        return streamed.find("event: state\ndata: {") != std::string::npos;
    })) << streamed;
    EXPECT_EQ(Ask("HEAD /api/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n").Status, 200);
    EXPECT_EQ(Server->EventClientCount(), static_cast<int>(MaxEventClientsPerAddress) + 1)
        << "HEAD opens no stream";

    // A client that pipelines requests and reads no answer is read no further, then dropped.
    std::string requests;
    for (int i = 0; i < 20000; ++i) {
        requests += "GET /data/standings.json HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    }
    const auto flood = Unread("127.0.0.3", requests);
    EXPECT_TRUE(Until(
        [&] {
            return LogText().find("client at 127.0.0.3 sent requests faster than it read the "
                                  "answers and was dropped") != std::string::npos;
        },
        60000))
        << LogText();
    EXPECT_TRUE(Until([&] { return Server->ConnectionCount() == Server->EventClientCount(); }))
        << Server->ConnectionCount();

    // Guessing the token from one address refuses that address for a while, and no other.
    for (int i = 0; i <= WrongTokensAllowed; ++i) {
        EXPECT_EQ(
            Post("/api/strip/gapl", "", "Authorization: Bearer guess\r\n", "127.0.0.4").Status,
            401);
    }
    const THttpAnswer refused = Post(
        "/api/strip/gapl", "", std::string("Authorization: Bearer ") + Token + "\r\n", "127.0.0.4");
    EXPECT_EQ(refused.Status, 429) << refused.Body;
    EXPECT_NE(refused.Head.find("Retry-After: 30"), std::string::npos) << refused.Head;
    EXPECT_FALSE(Msg->RankingMode());
    EXPECT_EQ(Post("/api/strip/gapl").Status, 200) << "this PC's surface is not slowed";
}

} // namespace
