#pragma once
// The server's HTTP front, on a thread of its own: it accepts connections, reads and judges
// requests, answers the pages, the data and the refusals, and keeps the event streams. It never
// waits for the windows: what it needs from them comes as published copies (the state, the
// data, the windows' sizes), and a command goes to the windows' thread and is answered when it
// comes back. A page's live channel is handed over to the windows' thread (TPageHost).

#include "core/app/consoleapi.h"
#include "core/web/hostcheck.h"
#include "core/web/tokenguard.h"
#include "core/web/webaccess.h"
#include "ui/web/droplog.h"
#include "ui/web/memorytrim.h"

#include <QHostAddress>
#include <QObject>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>

class QTcpServer;
class QTcpSocket;
class QTimer;
class TEventStreams;
class TPageHost;
struct TRequestRead;

/// At most this many connections that have not finished their request; a new one pushes out
/// the oldest, so idle connections cannot lock the pages out.
constexpr int MaxPendingRequests = 32;

/// What the front reaches on the windows' thread.
struct TFrontLinks {
    /// Appends a line to the console's log; callable on any thread.
    std::function<void(const std::string&)> Log;
    /// The windows' sizes as last published; callable on any thread.
    std::function<TWebSizes()> Sizes;
    /// Lives on the windows' thread: calls of the console run there, in its context.
    QObject* Console = nullptr;
    /// The console's calls; null when only pictures are served. Only its routing is used on
    /// the front's thread.
    TWebControl* Control = nullptr;
    /// The pages' channels, on the windows' thread.
    TPageHost* Pages = nullptr;
};

class THttpFront : public QObject {
    Q_OBJECT
  public:
    THttpFront(TFrontLinks links, TWebAccess access, const std::string& initialState);
    ~THttpFront() override;

    /// Listens on `host`:`port` (on the thread that makes it, before it moves to its own);
    /// empty on success, else why not.
    std::string Listen(const QHostAddress& host, quint16 port);
    /// Requests are answered only when their Host is one of `hosts`; set before it moves.
    void AllowHosts(THostNames hosts) { Hosts = std::move(hosts); }
    quint16 Port() const { return ServingPort; }
    /// Starts the sweep; called on the front's own thread.
    void Start();

    /// The console's state changed to `state`: the streams are sent it. On the front's thread.
    void StateChanged(const std::string& state);
    /// A reading or an edit changed what the data are built from. On the front's thread.
    void DataChanged();

    /// Connections open on the front (being answered or streams), and event streams; read on
    /// any thread.
    int ConnectionCount() const { return Connections.load(); }
    int EventStreamCount() const { return Streams.load(); }

  private:
    void AcceptConnections();
    /// Reads what waiting connections have sent, so that none with a whole request is pushed
    /// out for a newcomer; then pushes out the oldest if there is still no room.
    void MakeRoomForConnection();
    void ExamineRequest(QTcpSocket* socket);
    /// Answers and closes.
    void Answer(QTcpSocket* socket, const TWebAnswer& answer);
    /// Answers the request whose `consumed` bytes lead the socket's input, and keeps the
    /// connection for the next one.
    void AnswerAndKeep(QTcpSocket* socket, const TWebAnswer& answer, qint64 consumed);
    /// Answers as the request asked: kept for the next one, or closed.
    void Finish(QTcpSocket* socket, const TWebAnswer& answer, bool keep, qint64 consumed);
    /// Answers a call of the API or the data; false while its body is still to come.
    bool AnswerApi(QTcpSocket* socket, const TRequestRead& read, const QByteArray& bytes,
                   bool fromThisPC);
    /// A read answered from what was published, without the windows' thread; false when it
    /// must go there.
    bool AnswerHere(QTcpSocket* socket, const TApiRequest& request, const TRequestRead& read,
                    bool keep, qint64 consumed);
    /// Runs a call on the windows' thread; the answer comes back to `socket`, which is read no
    /// further meanwhile.
    void AskConsole(QTcpSocket* socket, const TApiRequest& request, const TRequestRead& read,
                    bool keep, qint64 consumed);
    void HandOverChannel(QTcpSocket* socket, const TRequestRead& read,
                         const TSocketRequest& request);
    /// False, after a 429, while the peer is refused for wrong tokens; counts a wrong one.
    bool TokenMayBeTried(QTcpSocket* socket, const TRequestHead& head);
    /// Drops connections past their deadlines and trims memory; once a second.
    void SweepConnections();
    void Forget(QTcpSocket* socket);
    void CountConnections();

    TFrontLinks Links;
    TWebAccess Access;
    THostNames Hosts;
    TTokenGuard Guard;
    TDropLog Drops;
    TMemoryTrim Trim;
    QTcpServer* Http = nullptr;
    QTimer* Sweep = nullptr;
    TEventStreams* EventStreams = nullptr;
    quint16 ServingPort = 0;
    /// Connections still sending their request, with the time they came (or were last
    /// answered, when kept).
    std::map<QTcpSocket*, qint64> Pending;
    /// Connections answered and closing, with the time: a client that never reads is cut off.
    std::map<QTcpSocket*, qint64> Closing;
    /// Connections whose call runs on the windows' thread: not read until it is answered.
    std::set<QTcpSocket*> Asking;
    std::string State;
    /// The data as last built on the windows' thread, until a reading changes them.
    std::map<std::string, TWebData> DataCache;
    qint64 MessagesCachedAt = 0;
    std::atomic<int> Connections{0};
    std::atomic<int> Streams{0};
};
