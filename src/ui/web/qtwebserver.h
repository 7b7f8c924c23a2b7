#pragma once
// The browser-source server: a read-only HTTP responder for the built-in pages and a WebSocket
// live channel per open page, through which the live feed pushes the tower's picture and the
// ticker's line or ranking strip. Everything runs on the window thread without ever waiting:
// a client that does not read is skipped, then dropped, and every byte held for a client
// counts against it.

#include "core/app/consoleapi.h"
#include "core/web/hostcheck.h"
#include "core/web/tokenguard.h"
#include "core/web/webroutes.h"
#include "core/web/websettings.h"
#include "ui/web/livefeed.h"
#include "ui/web/webwindows.h"

#include <QObject>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QTcpServer;
class QTcpSocket;
class QTimer;
class TLiveChannel;

/// At most this many live channels (pages open) at once.
constexpr int MaxWebClients = 16;
/// At most this many connections that have not finished their request; a new one pushes out
/// the oldest, so idle connections cannot lock the pages out.
constexpr int MaxPendingRequests = 32;

class TWebServer : public QObject {
    Q_OBJECT
    // Read by the console by name: the program does not link the server's module.
    Q_PROPERTY(QString baseUrl READ BaseUrl)
    Q_PROPERTY(int pageCount READ PageCount)
    Q_PROPERTY(int eventCount READ EventClientCount)
  public:
    TWebServer(std::unique_ptr<TWebWindows> sources, std::function<void(const std::string&)> log,
               QObject* parent = nullptr);
    ~TWebServer() override;

    /// Starts listening; false (and a log line) when the address or port cannot be used.
    /// Requests are answered only when their Host is this PC's own name or address, or one of
    /// `hostNames`.
    bool Listen(const std::string& address, int port,
                const std::vector<std::string>& hostNames = {});
    /// Listens as `settings` say, with their tokens for the API and for other PCs.
    bool Listen(const TWebSettings& settings);
    quint16 ServingPort() const;
    /// Open connections: pages being answered, live channels and event streams.
    int ConnectionCount() const;
    /// Where the pages are, as the log says: "http://address:port".
    QString BaseUrl() const { return Base; }
    /// Live channels open now: the pages shown.
    int PageCount() const { return static_cast<int>(Clients.size()); }
    /// Event streams of the state open now (control surfaces following the console).
    int EventClientCount() const { return static_cast<int>(EventClients.size()); }
    /// True when the live channel of the peer at `peerPort` is so far behind that new pictures
    /// wait for it: the system has stopped taking its bytes (it is dropped once it has taken
    /// nothing for AnswerLimitMs).
    bool ChannelBehind(quint16 peerPort) const;

  private:
    /// A page's connection and what the feed keeps for it.
    struct TClient {
        TLiveChannel* Channel = nullptr;
        TFeedChannel* Feed = nullptr;
    };

    void AcceptConnections();
    /// Reads what waiting connections have sent, so that none with a whole request is pushed
    /// out for a newcomer; then pushes out the oldest if there is still no room.
    void MakeRoomForConnection();
    void ExamineRequest(QTcpSocket* socket);
    void Answer(QTcpSocket* socket, const TWebAnswer& answer);
    /// Answers the request whose `consumed` bytes lead the socket's input, and keeps the
    /// connection for the next one.
    void AnswerAndKeep(QTcpSocket* socket, const TWebAnswer& answer, qint64 consumed);
    void OpenChannel(QTcpSocket* socket, const TRequestRead& read, const TSocketRequest& request);
    /// Answers a call of the API or the data; false while its body is still to come.
    bool AnswerApi(QTcpSocket* socket, const TRequestRead& read, const QByteArray& bytes,
                   bool fromThisPC);
    /// Keeps `socket` as a stream of the state, sent again on each change.
    void OpenEvents(QTcpSocket* socket);
    /// Sends the state to every stream when it changed since last sent.
    void PushState();

    /// A stream of the state, with the address it came from and when it last took bytes.
    struct TEventStream {
        QTcpSocket* Socket = nullptr;
        std::string Address;
        qint64 TakenAt = 0;
        qint64 SentAt = 0;
    };
    /// Closes the oldest stream of `address` when it holds its share, or of the address that
    /// holds the most when all are taken.
    void MakeRoomForStream(const std::string& address);
    TEventStream* StreamOf(const QTcpSocket* socket);
    /// Ends a stream at once and forgets it.
    void DropStream(QTcpSocket* socket);
    void WriteToStream(TEventStream& stream, const std::string& text);
    /// Sends a heartbeat to quiet streams and drops those that took nothing too long.
    void CheckStreams(qint64 now);
    /// False, after a 429, while the peer is refused for wrong tokens; counts a wrong one.
    bool TokenMayBeTried(QTcpSocket* socket, const TRequestHead& head);
    void RemoveClient(const TClient* client);
    /// Logs a drop or a refusal, at most DropLinesPerWindow of them in a window.
    void LogThrottled(const std::string& line);
    /// Says how many drops went unlogged in the window that ends at `now`, and starts another.
    void FlushDropLog(qint64 now);
    void DropSlowClients();

    /// What the pages are sent; it outlives the channels, which the destructor deletes.
    TLiveFeed Feed;
    std::function<void(const std::string&)> Log;
    QTcpServer* Http = nullptr;
    QTimer* Sweep = nullptr;
    /// Connections still sending their request, with the time they came.
    std::map<QTcpSocket*, qint64> Pending;
    std::vector<std::unique_ptr<TClient>> Clients;
    /// What a request's Host may name.
    THostNames Hosts;
    TWebAccess Access;
    std::vector<TEventStream> EventClients;
    /// Connections answered and closing, with the time: a client that never reads is cut off.
    std::map<QTcpSocket*, qint64> Closing;
    TTokenGuard Guard;
    std::string StateSent;
    QString Base;
    /// The subscription to the console's state, made with the first stream; 0 before.
    int StateListener = 0;

    qint64 DropLogStart = 0;
    int AnsweredSinceTrim = 0;
    /// Answers in all, and their number at the last sweep: unchanged since, requests stopped.
    long long AnsweredTotal = 0;
    long long AnsweredAtLastSweep = 0;
    /// A flood was trimmed while it went on: trim again once it stops.
    bool TrimOwed = false;
    /// Sweeps in a row that saw no answer go.
    int QuietSweeps = 0;
    int DropsInWindow = 0;
};
