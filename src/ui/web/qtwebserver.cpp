#include "ui/web/qtwebserver.h"

#include "core/platform/freememory.h"
#include "core/web/clienttext.h"
#include "core/web/hostcheck.h"
#include "ui/web/livechannel.h"
#include "ui/web/steadyclock.h"
#include "ui/web/webpages.h"

#include <QHostInfo>
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
/// Answers after which the sweep returns free memory to the system; and, once answers stop
/// coming, the last of a burst of at least TrimAfterBurst.
constexpr int TrimAfterAnswers = 200;
constexpr int TrimAfterBurst = 20;
/// A request must arrive whole within this time: a page sends it at once.
constexpr qint64 RequestLimitMs = 3000;
/// What a connection may send before it is answered: a head and the longest body a call takes.
constexpr qint64 MaxRequestBytes = static_cast<qint64>(MaxRequestHeadBytes + MaxApiBodyBytes);
/// Streams of the state at once, and from one client address: a newer stream takes the place
/// of the oldest of its address, so a client holding streams locks out nobody but itself.
constexpr std::size_t MaxEventClients = 16;
constexpr std::size_t MaxEventClientsPerAddress = 4;
/// How far a stream may fall behind before it is dropped, and how long it may take nothing.
constexpr qint64 EventBacklog = 64 << 10;
constexpr qint64 EventSilentLimitMs = 30000;
/// A comment line this often keeps proxies and control surfaces from closing a quiet stream.
constexpr qint64 EventHeartbeatMs = 15000;
/// Answers a kept connection may leave unread before it is read no further; it is dropped at
/// the request limit if it still reads nothing.
constexpr qint64 MaxUnsentBytes = 256 << 10;

/// Who sent a request, for the log: only a refusal or a change is said, so it is written then.
std::string PeerText(const QTcpSocket* socket) {
    return socket->peerAddress().toString().toStdString();
}

std::string UrlOf(const QHostAddress& host, quint16 port) {
    const std::string text = host.toString().toStdString();
    return "http://" + (host.protocol() == QHostAddress::IPv6Protocol ? "[" + text + "]" : text) +
           ":" + std::to_string(port);
}

/// Where other PCs reach a server listening on `host`: a wildcard address is no address to
/// type into a browser, so it stands for this PC's own network addresses (IPv4 first) of the
/// protocols it serves: "::" listens on IPv6 only, "0.0.0.0" on IPv4 only.
std::vector<QHostAddress> ReachableAt(const QHostAddress& host) {
    const bool ipv4 = host == QHostAddress::Any || host == QHostAddress::AnyIPv4;
    const bool ipv6 = host == QHostAddress::Any || host == QHostAddress::AnyIPv6;
    if (!ipv4 && !ipv6) {
        return {host};
    }
    std::vector<QHostAddress> found;
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        const bool wanted = address.protocol() == QHostAddress::IPv4Protocol ? ipv4 : ipv6;
        if (wanted && !address.isLoopback() && !address.isLinkLocal()) {
            found.push_back(address);
        }
    }
    std::stable_partition(found.begin(), found.end(), [](const QHostAddress& address) {
        return address.protocol() == QHostAddress::IPv4Protocol;
    });
    if (found.empty()) {
        found.push_back(QHostAddress(ipv4 ? QHostAddress::LocalHost : QHostAddress::LocalHostIPv6));
    }
    return found;
}

/// The names a request's Host may give: this PC's name (plain, in its domain, and as the local
/// network announces it) and every address of it, with the names the user added.
THostNames OwnHostNames(const std::vector<std::string>& added, int port) {
    std::vector<std::string> names = added;
    const std::string name = QHostInfo::localHostName().toStdString();
    const std::string domain = QHostInfo::localDomainName().toStdString();
    if (!name.empty()) {
        names.push_back(name);
        names.push_back(name + ".local");
        if (!domain.empty()) {
            names.push_back(name + "." + domain);
        }
    }
    for (QHostAddress address : QNetworkInterface::allAddresses()) {
        address.setScopeId({});
        names.push_back(address.toString().toStdString());
    }
    return HostNamesFor(names, port);
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
    if (StateListener != 0 && Feed.Windows().Control() != nullptr) {
        Feed.Windows().Control()->Unsubscribe(StateListener);
    }
    // The live channels are the server's own; closing them must not call back into it.
    for (const auto& client : Clients) {
        delete client->Channel;
    }
}

bool TWebServer::Listen(const TWebSettings& settings) {
    Access = settings.Access;
    return Listen(settings.Address, settings.Port, settings.HostNames);
}

bool TWebServer::Listen(const std::string& address, int port,
                        const std::vector<std::string>& hostNames) {
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
    Hosts = OwnHostNames(hostNames, ServingPort());
    Sweep->start(1000);
    // The feed learns what the windows show, a strip among it, before the first page comes.
    Feed.TowerChanged();
    Feed.TickerChanged();
    const std::vector<QHostAddress> reachable = ReachableAt(host);
    const std::string url = UrlOf(reachable.front(), ServingPort());
    Base = QString::fromStdString(url);
    std::string also;
    for (std::size_t i = 1; i < reachable.size(); ++i) {
        also += (also.empty() ? " (also at " : ", ") + UrlOf(reachable[i], ServingPort());
    }
    Log("Web server: browser sources at " + url + "/tower and " + url + "/ticker" +
        (also.empty() ? "" : also + ")") +
        (Feed.Windows().Control() != nullptr ? "; control and data at " + url + "/api" : ""));
    return true;
}

quint16 TWebServer::ServingPort() const {
    return Http->serverPort();
}

int TWebServer::ConnectionCount() const {
    return static_cast<int>(Pending.size() + Closing.size() + Clients.size() + EventClients.size());
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
        Pending[socket] = SteadyNowMs();
        // A request head is all that is read before it is answered.
        socket->setReadBufferSize(MaxRequestBytes);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { ExamineRequest(socket); });
        // A client that had stopped reading its answers is read again once it takes them.
        connect(socket, &QTcpSocket::bytesWritten, this,
                [this, socket] { ExamineRequest(socket); });
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
    if (Pending.count(socket) == 0 || socket->bytesToWrite() > MaxUnsentBytes) {
        return;
    }
    // Only looked at until the whole head has come: a handshake takes it then.
    const QByteArray bytes = socket->peek(MaxRequestBytes);
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
    const std::string host = read.Head.Header("host");
    if (!HostAllowed(host, Hosts)) {
        LogThrottled("Web server: refused a request from " + PeerText(socket) + " for the host '" +
                     LogSafe(host) + "', which is not this PC (a name to allow goes in WebHosts)");
        Answer(socket, ErrorAnswer(403));
        return;
    }
    if (!TokenMayBeTried(socket, read.Head)) {
        return;
    }
    const bool fromThisPC = socket->peerAddress().isLoopback();
    if (IsApiPath(read.Head.Path)) {
        AnswerApi(socket, read, bytes, fromThisPC);
        return;
    }
    if (!MayRead(read.Head, Access, fromThisPC)) {
        LogThrottled("Web server: refused " + read.Head.Path + " to " + PeerText(socket) +
                     ", another PC without the read token");
        TWebAnswer refused = ErrorAnswer(401);
        refused.Challenge = true;
        Answer(socket, refused);
        return;
    }
    TWebRoute route = RouteRequest(read.Head);
    if (route.Page) {
        route.Answer.Body = PageText(*route.Page, Feed.Sizes());
    }
    if (route.Answer.Status == 403) {
        LogThrottled("Web server: refused a live channel from " + PeerText(socket) +
                     " for a page of '" + LogSafe(read.Head.Header("origin")) + "', another site");
    }
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

bool TWebServer::AnswerApi(QTcpSocket* socket, const TRequestRead& read, const QByteArray& bytes,
                           bool fromThisPC) {
    TWebControl* control = Feed.Windows().Control();
    if (control == nullptr) {
        Answer(socket, JsonError(503, "this server serves the pictures only"));
        return true;
    }
    const TBodyLength body = control->BodyLength(read.Head);
    if (body.Refusal) {
        Answer(socket, *body.Refusal);
        return true;
    }
    const auto length = static_cast<qint64>(body.Length);
    const qint64 start = static_cast<qint64>(read.HeadLength);
    if (bytes.size() < start + length) {
        return false; // the body is still coming; the request limit ends one that never does
    }
    const TApiRoute route = control->Route(
        read.Head, std::string_view(bytes.constData() + start, length), Access, fromThisPC);
    if (!route.Request) {
        if (!route.Refusal.empty()) {
            LogThrottled("Web server: refused " + LogSafe(route.Refusal) + " from " +
                         PeerText(socket));
        }
        Answer(socket, route.Answer);
        return true;
    }
    if (OpensEvents(*route.Request)) {
        if (route.Answer.HeadOnly) {
            // HEAD says what a stream would be, and opens none.
            TWebAnswer head = JsonAnswer({});
            head.ContentType = "text/event-stream";
            head.HeadOnly = true;
            Answer(socket, head);
        } else {
            OpenEvents(socket);
        }
        return true;
    }
    TWebAnswer answer = control->Run(*route.Request, read.Head.Header("if-none-match"));
    answer.HeadOnly = route.Answer.HeadOnly;
    // A poller at 4 Hz or a control surface keeps its connection: a new one for each request
    // would cost the program more than the answer does.
    answer.KeepAlive =
        read.Head.Version == "HTTP/1.1" && LowerAscii(read.Head.Header("connection")) != "close";
    const bool change = read.Head.Method == "POST";
    if (const std::string said = change ? control->Describe(*route.Request, PeerText(socket)) : "";
        !said.empty()) {
        Log(said);
    }
    if (answer.KeepAlive) {
        AnswerAndKeep(socket, answer, start + length);
    } else {
        Answer(socket, answer);
    }
    return true;
}

void TWebServer::OpenEvents(QTcpSocket* socket) {
    MakeRoomForStream(PeerText(socket));
    Pending.erase(socket);
    socket->disconnect(this);
    socket->read(socket->bytesAvailable());
    socket->setReadBufferSize(1024);
    const std::string state = Feed.Windows().Control()->StateJson();
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n"
                             "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n"
                             "Connection: close\r\n\r\nevent: state\ndata: " +
                             state + "\n\n";
    const qint64 now = SteadyNowMs();
    EventClients.push_back({socket, PeerText(socket), now, now});
    WriteToStream(EventClients.back(), head);
    // A stream has nothing to say: whatever it sends is dropped unread, and a flood ends it.
    connect(socket, &QTcpSocket::readyRead, this, [socket] {
        if (socket->bytesAvailable() >= 1024) {
            socket->abort();
        }
    });
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] {
        if (TEventStream* stream = StreamOf(socket)) {
            stream->TakenAt = SteadyNowMs();
        }
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        std::erase_if(EventClients,
                      [socket](const TEventStream& stream) { return stream.Socket == socket; });
        socket->deleteLater();
    });
    if (StateListener == 0) {
        StateSent = state;
        // Told of each change as it happens: a command's effect reaches the streams before its
        // own answer is written.
        StateListener = Feed.Windows().Control()->Subscribe([this] { PushState(); });
    }
}

void TWebServer::MakeRoomForStream(const std::string& address) {
    std::map<std::string, std::size_t> perAddress;
    for (const TEventStream& stream : EventClients) {
        ++perAddress[stream.Address];
    }
    std::string from;
    if (perAddress[address] >= MaxEventClientsPerAddress) {
        from = address;
    } else if (EventClients.size() >= MaxEventClients) {
        // The address that holds the most gives up its oldest: never one with a single stream
        // while another holds several.
        from = std::max_element(perAddress.begin(), perAddress.end(),
                                [](const auto& a, const auto& b) { return a.second < b.second; })
                   ->first;
    } else {
        return;
    }
    const auto oldest = std::find_if(EventClients.begin(), EventClients.end(),
                                     [&from](const TEventStream& s) { return s.Address == from; });
    LogThrottled("Web server: an event stream at " + from +
                 " was closed for a newer one (at most " +
                 std::to_string(MaxEventClientsPerAddress) + " an address, " +
                 std::to_string(MaxEventClients) + " in all)");
    DropStream(oldest->Socket);
}

void TWebServer::DropStream(QTcpSocket* socket) {
    std::erase_if(EventClients,
                  [socket](const TEventStream& stream) { return stream.Socket == socket; });
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

TWebServer::TEventStream* TWebServer::StreamOf(const QTcpSocket* socket) {
    const auto found = std::find_if(EventClients.begin(), EventClients.end(),
                                    [socket](const TEventStream& s) { return s.Socket == socket; });
    return found == EventClients.end() ? nullptr : &*found;
}

void TWebServer::WriteToStream(TEventStream& stream, const std::string& text) {
    const qint64 now = SteadyNowMs();
    if (stream.Socket->bytesToWrite() == 0) {
        // Nothing was waiting: the time to take this starts now.
        stream.TakenAt = now;
    }
    stream.SentAt = now;
    stream.Socket->write(text.data(), static_cast<qint64>(text.size()));
}

void TWebServer::CheckStreams(qint64 now) {
    // Dropping a stream removes it from the list, so not while going through it.
    std::vector<QPointer<QTcpSocket>> silent;
    for (TEventStream& stream : EventClients) {
        if (stream.Socket->bytesToWrite() > 0 && now - stream.TakenAt > EventSilentLimitMs) {
            silent.emplace_back(stream.Socket);
        } else if (now - stream.SentAt >= EventHeartbeatMs) {
            WriteToStream(stream, ": keep-alive\n\n");
        }
    }
    for (const QPointer<QTcpSocket>& socket : silent) {
        if (socket) {
            LogThrottled("Web server: an event stream at " + PeerText(socket) +
                         " took nothing for " + std::to_string(EventSilentLimitMs / 1000) +
                         " s and was dropped");
            DropStream(socket);
        }
    }
}

bool TWebServer::TokenMayBeTried(QTcpSocket* socket, const TRequestHead& head) {
    if (!CarriesToken(head)) {
        return true;
    }
    const std::string peer = PeerText(socket);
    const qint64 now = SteadyNowMs();
    if (const qint64 refused = Guard.RefusedFor(peer, now); refused > 0) {
        TWebAnswer answer =
            JsonError(429, "too many wrong tokens from this address; try again in " +
                               std::to_string((refused + 999) / 1000) + " s");
        answer.RetryAfterSeconds = static_cast<int>((refused + 999) / 1000);
        Answer(socket, answer);
        return false;
    }
    if (WrongToken(head, Access) && Guard.WrongToken(peer, now)) {
        LogThrottled("Web server: " + std::to_string(WrongTokensAllowed + 1) +
                     " wrong tokens from " + peer + " within " +
                     std::to_string(FailureWindowMs / 1000) + " s; its tokens are refused for " +
                     std::to_string(Guard.RefusedFor(peer, now) / 1000) + " s");
    }
    return true;
}

void TWebServer::PushState() {
    TWebControl* control = Feed.Windows().Control();
    if (EventClients.empty() || control == nullptr) {
        return;
    }
    std::string state = control->StateJson();
    if (state == StateSent) {
        return;
    }
    StateSent = std::move(state);
    const std::string event = "event: state\ndata: " + StateSent + "\n\n";
    std::vector<QPointer<QTcpSocket>> behind;
    for (TEventStream& stream : EventClients) {
        if (stream.Socket->bytesToWrite() > EventBacklog) {
            behind.emplace_back(stream.Socket);
        } else {
            WriteToStream(stream, event);
        }
    }
    for (const QPointer<QTcpSocket>& socket : behind) {
        if (socket) {
            LogThrottled("Web server: an event stream at " + PeerText(socket) +
                         " fell behind and was dropped");
            DropStream(socket);
        }
    }
}

void TWebServer::AnswerAndKeep(QTcpSocket* socket, const TWebAnswer& answer, qint64 consumed) {
    ++AnsweredSinceTrim;
    ++AnsweredTotal;
    socket->read(consumed);
    const std::string bytes = ResponseBytes(answer);
    socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
    // Waiting for its next request as a new connection does: within the request limit, or the
    // sweep ends it. A request already sent behind this one is looked at once this returns.
    Pending[socket] = SteadyNowMs();
    if (socket->bytesAvailable() > 0) {
        QMetaObject::invokeMethod(
            this,
            [this, next = QPointer<QTcpSocket>(socket)] {
                if (next) {
                    ExamineRequest(next);
                }
            },
            Qt::QueuedConnection);
    }
}

void TWebServer::Answer(QTcpSocket* socket, const TWebAnswer& answer) {
    ++AnsweredSinceTrim;
    ++AnsweredTotal;
    Pending.erase(socket);
    socket->disconnect(this);
    const std::string bytes = ResponseBytes(answer);
    socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
    // Closed once written; a client that never reads is cut off by the sweep at the request
    // limit, never by the window thread waiting, and with no timer of its own.
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        Closing.erase(socket);
        socket->deleteLater();
    });
    socket->disconnectFromHost();
    if (socket->state() == QAbstractSocket::UnconnectedState) {
        Closing.erase(socket);
        socket->deleteLater();
    } else {
        Closing.emplace(socket, SteadyNowMs());
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
    const std::string page = PeerText(socket);
    raw->Channel = new TLiveChannel(
        socket, read.Head.Header("sec-websocket-key"),
        [this, page](const std::string& reason) {
            LogThrottled("Web server: a page at " + page + " " + reason + " and was dropped");
        },
        [this, raw] { Feed.Pump(*raw->Feed); }, [this, raw] { RemoveClient(raw); }, this);
    Clients.push_back(std::move(client));
    raw->Feed = Feed.Open(request, *raw->Channel);
}

void TWebServer::LogThrottled(const std::string& line) {
    const qint64 now = SteadyNowMs();
    if (now - DropLogStart >= DropLogWindowMs) {
        FlushDropLog(now);
    }
    // A client that comes back each time it is cut off or refused must not flood the
    // operator's log.
    if (++DropsInWindow <= DropLinesPerWindow) {
        Log(line);
    }
}

void TWebServer::FlushDropLog(qint64 now) {
    if (DropsInWindow > DropLinesPerWindow) {
        Log("Web server: " + std::to_string(DropsInWindow - DropLinesPerWindow) +
            " more clients were dropped or refused within " +
            std::to_string(DropLogWindowMs / 1000) + " s (not each logged)");
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
    const qint64 now = SteadyNowMs();
    if (now - DropLogStart >= DropLogWindowMs) {
        FlushDropLog(now);
    }
    // Thousands of short connections leave the allocator's free memory in pieces it keeps;
    // after a flood of them it goes back to the system.
    // During a flood its memory is still in use, and its connections linger up to the request
    // limit after their answers: once no answer has gone for longer than that, what it left is
    // returned too, however few came after the last trim.
    QuietSweeps = AnsweredTotal == AnsweredAtLastSweep ? QuietSweeps + 1 : 0;
    const bool quiet = QuietSweeps == RequestLimitMs / 1000 + 1;
    if (AnsweredSinceTrim >= TrimAfterAnswers) {
        AnsweredSinceTrim = 0;
        TrimOwed = true;
        ReturnFreeMemory();
    } else if (quiet && (TrimOwed || AnsweredSinceTrim >= TrimAfterBurst)) {
        AnsweredSinceTrim = 0;
        TrimOwed = false;
        ReturnFreeMemory();
    }
    AnsweredAtLastSweep = AnsweredTotal;
    std::vector<QTcpSocket*> late;
    for (const auto& [socket, since] : Pending) {
        if (now - since > RequestLimitMs) {
            late.push_back(socket);
        }
    }
    for (QTcpSocket* socket : late) {
        if (socket->bytesToWrite() > MaxUnsentBytes) {
            LogThrottled("Web server: a client at " + PeerText(socket) +
                         " sent requests faster than it read the answers and was dropped");
        }
        Pending.erase(socket);
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    std::vector<QTcpSocket*> unclosed;
    for (const auto& [socket, since] : Closing) {
        if (now - since > RequestLimitMs) {
            unclosed.push_back(socket);
        }
    }
    for (QTcpSocket* socket : unclosed) {
        Closing.erase(socket);
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    CheckStreams(now);
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
