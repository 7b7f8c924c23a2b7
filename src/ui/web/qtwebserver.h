#pragma once
// The browser-source server: a read-only HTTP responder for the built-in pages and a WebSocket
// live channel per open page, through which the live feed pushes the tower's picture and the
// ticker's line or ranking strip. Everything runs on the window thread without ever waiting:
// a client that does not read is skipped, then dropped, and every byte held for a client
// counts against it.

#include "core/web/webroutes.h"
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
  public:
    TWebServer(std::unique_ptr<TWebWindows> sources, std::function<void(const std::string&)> log,
               QObject* parent = nullptr);
    ~TWebServer() override;

    /// Starts listening; false (and a log line) when the address or port cannot be used.
    bool Listen(const std::string& address, int port);
    quint16 ServingPort() const;
    /// Open connections: pages being answered and live channels.
    int ConnectionCount() const;
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
    void OpenChannel(QTcpSocket* socket, const TRequestRead& read, const TSocketRequest& request);
    void RemoveClient(const TClient* client);
    void LogDrop(const std::string& line);
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

    qint64 DropLogStart = 0;
    int AnsweredSinceTrim = 0;
    int DropsInWindow = 0;
};
