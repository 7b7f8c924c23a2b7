#include "ui/web/qtwebserver.h"

#include "core/platform/freememory.h"
#include "ui/web/livechannel.h"

#include <QDateTime>
#include <QNetworkInterface>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace {

/// A client this far behind is dropped: more than a picture past the point where pictures
/// wait for it (MaxBacklog).
constexpr qint64 DropBacklog = 4 << 20;
/// At most this many drops are logged one by one in a window; the rest are counted.
constexpr int DropLinesPerWindow = 5;
constexpr qint64 DropLogWindowMs = 10000;
/// Answers after which the sweep returns free memory to the system.
constexpr int TrimAfterAnswers = 200;
/// A request must arrive whole within this time: a page sends it at once.
constexpr qint64 RequestLimitMs = 3000;

qint64 NowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

std::string UrlOf(const QHostAddress& host, quint16 port) {
    const std::string text = host.toString().toStdString();
    return "http://" + (host.protocol() == QHostAddress::IPv6Protocol ? "[" + text + "]" : text) +
           ":" + std::to_string(port);
}

/// Where other PCs reach a server listening on `host`: a wildcard address is no address to
/// type into a browser, so it stands for this PC's own network addresses (IPv4 first).
std::vector<QHostAddress> ReachableAt(const QHostAddress& host) {
    const bool any = host == QHostAddress::Any || host == QHostAddress::AnyIPv6;
    if (!any && host != QHostAddress::AnyIPv4) {
        return {host};
    }
    std::vector<QHostAddress> found;
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        const bool wanted = address.protocol() == QHostAddress::IPv4Protocol ||
                            (any && address.protocol() == QHostAddress::IPv6Protocol);
        if (wanted && !address.isLoopback() && !address.isLinkLocal()) {
            found.push_back(address);
        }
    }
    std::stable_partition(found.begin(), found.end(), [](const QHostAddress& address) {
        return address.protocol() == QHostAddress::IPv4Protocol;
    });
    if (found.empty()) {
        found.push_back(QHostAddress(QHostAddress::LocalHost));
    }
    return found;
}

QHostAddress AddressFrom(const std::string& text) {
    if (text.empty() || text == "localhost") {
        return QHostAddress(QHostAddress::LocalHost);
    }
    return QHostAddress(QString::fromStdString(text));
}

} // namespace

TWebServer::TWebServer(std::unique_ptr<TWebWindows> sources,
                       std::function<void(const std::string&)> log, QObject* parent)
    : QObject(parent), Feed(std::move(sources)), Log(std::move(log)), Http(new QTcpServer(this)),
      Sweep(new QTimer(this)) {
    Http->setMaxPendingConnections(MaxWebClients);
    connect(Http, &QTcpServer::newConnection, this, &TWebServer::AcceptConnections);
    connect(Sweep, &QTimer::timeout, this, &TWebServer::DropSlowClients);
}

TWebServer::~TWebServer() {
    // The live channels are the server's own; closing them must not call back into it.
    for (const auto& client : Clients) {
        delete client->Channel;
    }
}

bool TWebServer::Listen(const std::string& address, int port) {
    const QHostAddress host = AddressFrom(address);
    const std::string where =
        (address.empty() ? "127.0.0.1" : address) + ":" + std::to_string(port);
    if (host.isNull()) {
        Log("Web server: WebAddress '" + address + "' is not an IP address; no browser sources");
        return false;
    }
    if (port < 0 || port > 65535 || !Http->listen(host, static_cast<quint16>(port))) {
        Log("Web server: cannot listen on " + where + " (" +
            (port < 0 || port > 65535 ? std::string("WebPort must be 1..65535")
                                      : Http->errorString().toStdString()) +
            "); no browser sources");
        return false;
    }
    Sweep->start(1000);
    // The feed learns what the windows show, a strip among it, before the first page comes.
    Feed.TowerChanged();
    Feed.TickerChanged();
    const std::vector<QHostAddress> reachable = ReachableAt(host);
    const std::string url = UrlOf(reachable.front(), ServingPort());
    std::string also;
    for (std::size_t i = 1; i < reachable.size(); ++i) {
        also += (also.empty() ? " (also at " : ", ") + UrlOf(reachable[i], ServingPort());
    }
    Log("Web server: browser sources at " + url + "/tower and " + url + "/ticker" +
        (also.empty() ? "" : also + ")"));
    return true;
}

quint16 TWebServer::ServingPort() const {
    return Http->serverPort();
}

int TWebServer::ConnectionCount() const {
    return static_cast<int>(Pending.size() + Clients.size());
}

bool TWebServer::ChannelBehind(quint16 peerPort) const {
    return std::any_of(Clients.begin(), Clients.end(), [peerPort](const auto& client) {
        return client->Channel->PeerPort() == peerPort && client->Channel->Backlog() > MaxBacklog;
    });
}

void TWebServer::AcceptConnections() {
    while (QTcpSocket* socket = Http->nextPendingConnection()) {
        if (static_cast<int>(Pending.size()) >= MaxPendingRequests) {
            MakeRoomForConnection();
        }
        Pending[socket] = NowMs();
        // A request head is all that is read before it is answered.
        socket->setReadBufferSize(static_cast<qint64>(MaxRequestHeadBytes));
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { ExamineRequest(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (Pending.erase(socket) != 0) {
                socket->deleteLater();
            }
        });
        ExamineRequest(socket);
    }
}

void TWebServer::MakeRoomForConnection() {
    std::vector<QPointer<QTcpSocket>> waiting;
    for (const auto& [socket, since] : Pending) {
        waiting.emplace_back(socket);
    }
    // Polls without waiting: what has arrived is read, and a whole request answered.
    for (const QPointer<QTcpSocket>& socket : waiting) {
        if (socket && Pending.count(socket) != 0) {
            socket->waitForReadyRead(0);
        }
    }
    if (static_cast<int>(Pending.size()) < MaxPendingRequests) {
        return;
    }
    const auto oldest =
        std::min_element(Pending.begin(), Pending.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
    QTcpSocket* dropped = oldest->first;
    Pending.erase(oldest);
    dropped->disconnect(this);
    dropped->abort();
    dropped->deleteLater();
}

void TWebServer::ExamineRequest(QTcpSocket* socket) {
    if (Pending.count(socket) == 0) {
        return;
    }
    // Only looked at until the whole head has come: a handshake takes it then.
    const QByteArray bytes = socket->peek(static_cast<qint64>(MaxRequestHeadBytes));
    const TRequestRead read = ReadRequestHead(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    switch (read.Status) {
    case TRequestStatus::Incomplete:
        return;
    case TRequestStatus::TooLarge:
        Answer(socket, ErrorAnswer(431));
        return;
    case TRequestStatus::Malformed:
        Answer(socket, ErrorAnswer(400));
        return;
    case TRequestStatus::Complete:
        break;
    }
    const TWebRoute route = RouteRequest(read.Head, Feed.Sizes());
    if (!route.Socket) {
        Answer(socket, route.Answer);
        return;
    }
    if (static_cast<int>(Clients.size()) >= MaxWebClients) {
        Answer(socket, ErrorAnswer(503));
        return;
    }
    OpenChannel(socket, read, *route.Socket);
}

void TWebServer::Answer(QTcpSocket* socket, const TWebAnswer& answer) {
    ++AnsweredSinceTrim;
    Pending.erase(socket);
    socket->disconnect(this);
    const std::string bytes = ResponseBytes(answer);
    socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
    // Closed once written; a client that never reads is cut off by the system's buffers
    // filling, never by the window thread waiting.
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    socket->disconnectFromHost();
    if (socket->state() == QAbstractSocket::UnconnectedState) {
        socket->deleteLater();
    } else {
        QTimer::singleShot(RequestLimitMs, socket, [socket] { socket->abort(); });
    }
}

void TWebServer::OpenChannel(QTcpSocket* socket, const TRequestRead& read,
                             const TSocketRequest& request) {
    Pending.erase(socket);
    socket->disconnect(this);
    // The head is taken; any bytes after it are the channel's first frames.
    socket->read(static_cast<qint64>(read.HeadLength));
    auto client = std::make_unique<TClient>();
    TClient* raw = client.get();
    const std::string page = socket->peerAddress().toString().toStdString();
    raw->Channel = new TLiveChannel(
        socket, read.Head.Header("sec-websocket-key"),
        [this, page](const std::string& reason) {
            LogDrop("Web server: a page at " + page + " " + reason + " and was dropped");
        },
        [this, raw] { Feed.Pump(*raw->Feed); }, [this, raw] { RemoveClient(raw); }, this);
    Clients.push_back(std::move(client));
    raw->Feed = Feed.Open(request, *raw->Channel);
}

void TWebServer::LogDrop(const std::string& line) {
    const qint64 now = NowMs();
    if (now - DropLogStart >= DropLogWindowMs) {
        FlushDropLog(now);
    }
    // A client that comes back each time it is cut off must not flood the operator's log.
    if (++DropsInWindow <= DropLinesPerWindow) {
        Log(line);
    }
}

void TWebServer::FlushDropLog(qint64 now) {
    if (DropsInWindow > DropLinesPerWindow) {
        Log("Web server: " + std::to_string(DropsInWindow - DropLinesPerWindow) +
            " more clients were dropped within " + std::to_string(DropLogWindowMs / 1000) +
            " s (not each logged)");
    }
    DropLogStart = now;
    DropsInWindow = 0;
}

void TWebServer::RemoveClient(const TClient* client) {
    const auto found = std::find_if(Clients.begin(), Clients.end(),
                                    [client](const auto& c) { return c.get() == client; });
    if (found != Clients.end()) {
        Feed.Close((*found)->Feed);
        (*found)->Channel->deleteLater();
        Clients.erase(found);
    }
}

void TWebServer::DropSlowClients() {
    const qint64 now = NowMs();
    if (now - DropLogStart >= DropLogWindowMs) {
        FlushDropLog(now);
    }
    // Thousands of short connections leave the allocator's free memory in pieces it keeps;
    // after a flood of them it goes back to the system.
    if (AnsweredSinceTrim >= TrimAfterAnswers) {
        AnsweredSinceTrim = 0;
        ReturnFreeMemory();
    }
    std::vector<QTcpSocket*> late;
    for (const auto& [socket, since] : Pending) {
        if (now - since > RequestLimitMs) {
            late.push_back(socket);
        }
    }
    for (QTcpSocket* socket : late) {
        Pending.erase(socket);
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    // Dropping a client removes it from the list, so not while going through it.
    std::vector<QPointer<TLiveChannel>> channels;
    for (const auto& client : Clients) {
        channels.emplace_back(client->Channel);
    }
    for (const QPointer<TLiveChannel>& channel : channels) {
        if (!channel) {
            continue;
        }
        const qint64 backlog = channel->Backlog();
        if (backlog > DropBacklog) {
            channel->Drop("fell " + std::to_string(backlog >> 20) + " MiB behind");
        } else {
            channel->CheckAlive(now);
        }
    }
}
