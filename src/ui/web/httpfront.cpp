#include "ui/web/httpfront.h"

#include "core/web/clienttext.h"
#include "ui/web/eventstreams.h"
#include "ui/web/pagehost.h"
#include "ui/web/steadyclock.h"
#include "ui/web/webpages.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace {

/// A request must arrive whole within this time: a page sends it at once.
constexpr qint64 RequestLimitMs = 3000;
/// What a connection may send before it is answered: a head and the longest body a call takes.
constexpr qint64 MaxRequestBytes = static_cast<qint64>(MaxRequestHeadBytes + MaxApiBodyBytes);
/// Answers a kept connection may leave unread before it is read no further; it is dropped at
/// the request limit if it still reads nothing.
constexpr qint64 MaxUnsentBytes = 256 << 10;
/// The race messages' ages count on between readings, a second at a time.
constexpr qint64 MessagesKeptMs = 1000;

/// Who sent a request, for the log: only a refusal or a change is said, so it is written then.
std::string PeerText(const QTcpSocket* socket) {
    return socket->peerAddress().toString().toStdString();
}

/// Who guesses tokens: an address, or for IPv6 its /64 network, which one client holds whole.
std::string GuessedFrom(const QHostAddress& address) {
    bool mapped = false;
    address.toIPv4Address(&mapped);
    if (address.protocol() != QHostAddress::IPv6Protocol || mapped || address.isLoopback()) {
        return address.toString().toStdString();
    }
    Q_IPV6ADDR network = address.toIPv6Address();
    std::fill(std::begin(network.c) + 8, std::end(network.c), 0);
    return QHostAddress(network).toString().toStdString() + "/64";
}

bool KeepsConnection(const TRequestHead& head) {
    return head.Version == "HTTP/1.1" && LowerAscii(head.Header("connection")) != "close";
}

const TApiRead* ReadOf(const TApiRequest& request) {
    return std::get_if<TApiRead>(&request.Does);
}

} // namespace

THttpFront::THttpFront(TFrontLinks links, TWebAccess access, const std::string& initialState)
    : Links(std::move(links)), Access(std::move(access)), Drops(Links.Log),
      Http(new QTcpServer(this)), Sweep(new QTimer(this)),
      EventStreams(new TEventStreams(Drops, this)), State(initialState) {
    Http->setMaxPendingConnections(MaxWebClients);
    connect(Http, &QTcpServer::newConnection, this, &THttpFront::AcceptConnections);
    connect(Sweep, &QTimer::timeout, this, &THttpFront::SweepConnections);
}

THttpFront::~THttpFront() = default;

std::string THttpFront::Listen(const QHostAddress& host, quint16 port) {
    if (!Http->listen(host, port)) {
        return Http->errorString().toStdString();
    }
    ServingPort = Http->serverPort();
    return {};
}

void THttpFront::Start() {
    Sweep->start(1000);
}

void THttpFront::StateChanged(const std::string& state) {
    if (state == State) {
        return;
    }
    State = state;
    EventStreams->Push(State);
}

void THttpFront::DataChanged() {
    DataCache.clear();
}

void THttpFront::CountConnections() {
    Streams = EventStreams->Count();
    Connections = static_cast<int>(Pending.size() + Closing.size()) + EventStreams->Count();
}

void THttpFront::AcceptConnections() {
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
                Asking.erase(socket);
                socket->deleteLater();
                CountConnections();
            }
        });
        ExamineRequest(socket);
    }
    CountConnections();
}

void THttpFront::MakeRoomForConnection() {
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
    // One whose call runs on the windows' thread keeps its place: its answer is coming.
    QTcpSocket* dropped = nullptr;
    qint64 since = 0;
    for (const auto& [socket, came] : Pending) {
        if (Asking.count(socket) == 0 && (dropped == nullptr || came < since)) {
            dropped = socket;
            since = came;
        }
    }
    if (dropped == nullptr) {
        return;
    }
    Forget(dropped);
    dropped->abort();
    dropped->deleteLater();
}

void THttpFront::Forget(QTcpSocket* socket) {
    Pending.erase(socket);
    Asking.erase(socket);
    socket->disconnect(this);
}

void THttpFront::ExamineRequest(QTcpSocket* socket) {
    if (Pending.count(socket) == 0 || Asking.count(socket) != 0 ||
        socket->bytesToWrite() > MaxUnsentBytes) {
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
        Drops.Line("Web server: refused a request from " + PeerText(socket) + " for the host '" +
                   LogSafe(host) + "', which is not this PC (a name to allow goes in WebHosts)");
        Answer(socket, ErrorAnswer(403));
        return;
    }
    const bool fromThisPC = socket->peerAddress().isLoopback();
    if (IsApiPath(read.Head.Path)) {
        AnswerApi(socket, read, bytes, fromThisPC);
        return;
    }
    if (!fromThisPC && !TokenMayBeTried(socket, read.Head)) {
        return;
    }
    if (!MayRead(read.Head, Access, fromThisPC)) {
        Drops.Line("Web server: refused " + read.Head.Path + " to " + PeerText(socket) +
                   ", another PC without the read token");
        TWebAnswer refused = ErrorAnswer(401);
        refused.Challenge = true;
        Answer(socket, refused);
        return;
    }
    TWebRoute route = RouteRequest(read.Head);
    if (route.Page) {
        route.Answer.Body = PageText(*route.Page, Links.Sizes());
    }
    if (route.Answer.Status == 403) {
        Drops.Line("Web server: refused a live channel from " + PeerText(socket) +
                   " for a page of '" + LogSafe(read.Head.Header("origin")) + "', another site");
    }
    if (!route.Socket) {
        Answer(socket, route.Answer);
        return;
    }
    if (!Links.Pages->HasRoom()) {
        Answer(socket, ErrorAnswer(503));
        return;
    }
    HandOverChannel(socket, read, *route.Socket);
}

bool THttpFront::TokenMayBeTried(QTcpSocket* socket, const TRequestHead& head) {
    if (!CarriesToken(head)) {
        return true;
    }
    const std::string peer = GuessedFrom(socket->peerAddress());
    const qint64 now = SteadyNowMs();
    if (const qint64 refused = Guard.RefusedFor(peer, now); refused > 0) {
        const int seconds = static_cast<int>((refused + 999) / 1000);
        TWebAnswer answer =
            JsonError(429, "too many wrong tokens from this address; try again in " +
                               std::to_string(seconds) + " s");
        answer.RetryAfterSeconds = seconds;
        Answer(socket, answer);
        return false;
    }
    if (WrongToken(head, Access) && Guard.WrongToken(peer, now)) {
        Drops.Line("Web server: " + std::to_string(WrongTokensAllowed + 1) + " wrong tokens from " +
                   peer + " within " + std::to_string(FailureWindowMs / 1000) +
                   " s; its tokens are refused for " +
                   std::to_string(Guard.RefusedFor(peer, now) / 1000) + " s");
    }
    return true;
}

bool THttpFront::AnswerApi(QTcpSocket* socket, const TRequestRead& read, const QByteArray& bytes,
                           bool fromThisPC) {
    TWebControl* control = Links.Control;
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
    // Judged once the whole request is here, so a request is counted once, and only where its
    // token decides: a foreign page's request, refused for its origin, is no guess.
    if (route.TokenDecides && !TokenMayBeTried(socket, read.Head)) {
        return true;
    }
    if (!route.Request) {
        if (!route.Refusal.empty()) {
            Drops.Line("Web server: refused " + LogSafe(route.Refusal) + " from " +
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
            return true;
        }
        Forget(socket);
        EventStreams->Open(socket, State);
        CountConnections();
        return true;
    }
    // A poller at 4 Hz or a control surface keeps its connection: a new one for each request
    // would cost the program more than the answer does.
    const bool keep = KeepsConnection(read.Head);
    if (!AnswerHere(socket, *route.Request, read, keep, start + length)) {
        AskConsole(socket, *route.Request, read, keep, start + length);
    }
    return true;
}

bool THttpFront::AnswerHere(QTcpSocket* socket, const TApiRequest& request,
                            const TRequestRead& read, bool keep, qint64 consumed) {
    const TApiRead* what = ReadOf(request);
    if (what == nullptr) {
        return false;
    }
    TWebAnswer answer;
    if (what->Kind == TApiReadKind::State) {
        answer = JsonAnswer(State);
    } else if (what->Kind == TApiReadKind::Data) {
        const auto cached = DataCache.find(what->Data);
        const bool stale =
            what->Data == "messages.json" && SteadyNowMs() - MessagesCachedAt >= MessagesKeptMs;
        if (cached == DataCache.end() || stale) {
            return false;
        }
        answer = VersionedAnswer(cached->second.Body, cached->second.ContentType,
                                 cached->second.Version, read.Head.Header("if-none-match"));
    } else {
        return false;
    }
    answer.HeadOnly = read.Head.Method == "HEAD";
    Finish(socket, answer, keep, consumed);
    return true;
}

void THttpFront::AskConsole(QTcpSocket* socket, const TApiRequest& request,
                            const TRequestRead& read, bool keep, qint64 consumed) {
    Asking.insert(socket);
    const std::string ifNoneMatch = read.Head.Header("if-none-match");
    const bool headOnly = read.Head.Method == "HEAD";
    const std::string peer = PeerText(socket);
    const TApiRead* what = ReadOf(request);
    const std::string dataName =
        what != nullptr && what->Kind == TApiReadKind::Data ? what->Data : "";
    TWebControl* control = Links.Control;
    QPointer<QTcpSocket> asker(socket);
    QMetaObject::invokeMethod(Links.Console, [this, control, request, ifNoneMatch, headOnly, peer,
                                              dataName, asker, keep, consumed] {
        // On the windows' thread: the console runs the call as its own control does.
        TWebAnswer answer;
        TWebData data;
        if (!dataName.empty()) {
            data = control->Data(dataName);
            answer = VersionedAnswer(data.Body, data.ContentType, data.Version, ifNoneMatch);
        } else {
            answer = control->Run(request, ifNoneMatch);
        }
        std::string said = control->Describe(request, peer);
        if (!said.empty()) {
            Links.Log(said);
        }
        // The state a command left goes to the streams before its answer goes back.
        const std::string state = control->StateJson();
        QMetaObject::invokeMethod(this, [this, answer, headOnly, asker, keep, consumed, state,
                                         dataName, data = std::move(data)]() mutable {
            StateChanged(state);
            if (!dataName.empty()) {
                DataCache[dataName] = std::move(data);
                if (dataName == "messages.json") {
                    MessagesCachedAt = SteadyNowMs();
                }
            }
            if (!asker || Asking.erase(asker) == 0) {
                return; // it went meanwhile
            }
            answer.HeadOnly = headOnly;
            Finish(asker, answer, keep, consumed);
        });
    });
}

void THttpFront::Finish(QTcpSocket* socket, const TWebAnswer& answer, bool keep, qint64 consumed) {
    TWebAnswer sent = answer;
    sent.KeepAlive = keep;
    if (keep) {
        AnswerAndKeep(socket, sent, consumed);
    } else {
        Answer(socket, sent);
    }
}

void THttpFront::AnswerAndKeep(QTcpSocket* socket, const TWebAnswer& answer, qint64 consumed) {
    Trim.Answered();
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

void THttpFront::Answer(QTcpSocket* socket, const TWebAnswer& answer) {
    Trim.Answered();
    Forget(socket);
    const std::string bytes = ResponseBytes(answer);
    socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
    // Closed once written; a client that never reads is cut off by the sweep at the request
    // limit, with no timer of its own.
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        Closing.erase(socket);
        socket->deleteLater();
        CountConnections();
    });
    socket->disconnectFromHost();
    if (socket->state() == QAbstractSocket::UnconnectedState) {
        Closing.erase(socket);
        socket->deleteLater();
    } else {
        Closing.emplace(socket, SteadyNowMs());
    }
    CountConnections();
}

void THttpFront::HandOverChannel(QTcpSocket* socket, const TRequestRead& read,
                                 const TSocketRequest& request) {
    Forget(socket);
    CountConnections();
    // The head is taken; any bytes after it are the channel's first frames.
    socket->read(static_cast<qint64>(read.HeadLength));
    const std::string key = read.Head.Header("sec-websocket-key");
    // The channel lives where its pictures are drawn; the socket goes there whole, from the
    // event loop: Qt still uses it on this thread when its own signal that got here returns.
    QMetaObject::invokeMethod(
        this,
        [pages = Links.Pages, socket, key, request] {
            socket->setParent(nullptr);
            socket->moveToThread(pages->thread());
            QMetaObject::invokeMethod(
                pages, [pages, socket, key, request] { pages->OpenChannel(socket, key, request); });
        },
        Qt::QueuedConnection);
}

void THttpFront::SweepConnections() {
    const qint64 now = SteadyNowMs();
    Drops.Tick(now);
    Trim.Sweep();
    std::vector<QTcpSocket*> late;
    for (const auto& [socket, since] : Pending) {
        // A call on the windows' thread is waited for: the windows never wait for the front.
        if (now - since > RequestLimitMs && Asking.count(socket) == 0) {
            late.push_back(socket);
        }
    }
    for (QTcpSocket* socket : late) {
        if (socket->bytesToWrite() > MaxUnsentBytes) {
            Drops.Line("Web server: a client at " + PeerText(socket) +
                       " sent requests faster than it read the answers and was dropped");
        }
        Forget(socket);
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
    EventStreams->Check(now);
    CountConnections();
}
