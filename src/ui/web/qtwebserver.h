#pragma once
// The browser-source server: a read-only HTTP responder for the built-in pages and a WebSocket
// live channel that pushes the tower's picture and the ticker's line or ranking strip, taken
// from the very images the windows paint. Everything runs on the window thread without ever
// waiting: a client that does not read is skipped, then dropped, and every byte held for a
// client counts against it.

#include "web/pictureencoding.h"
#include "web/webroutes.h"
#include "web/webwindows.h"

#include <QByteArray>
#include <QFuture>
#include <QHostAddress>
#include <QImage>
#include <QObject>
#include <QRect>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
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

/// A picture as sent: the image and its forms, each encoded off the window thread when a page
/// first needs it, once for all the pages that need it.
struct TPushedPicture {
    QImage Image;
    qint64 DrawnAt = 0;
    /// Boxes whose black is ink: they stay opaque in the transparent form.
    std::vector<QRect> Ink;
    /// Its number, and the number and image of the picture it follows in the same window; a
    /// page that has that one gets a patch.
    quint64 Number = 0;
    quint64 BaseNumber = 0;
    QImage Base;
    std::optional<QFuture<TEncodedPicture>> Encoded[2][2]; // [transparent][patch]
};
using TPictureRef = std::shared_ptr<TPushedPicture>;

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
    /// nothing for StalledLimitMs).
    bool ChannelBehind(quint16 peerPort) const;

  private:
    /// One message of the live channel: a text, made when it goes, and the picture after it.
    struct TOutgoing {
        std::function<std::string()> Text;
        TPictureRef Picture;
        /// A window's picture, whose text says how it is sent: a newer one takes its place
        /// while it waits.
        bool Replaceable = false;
    };
    struct TClient {
        TLiveChannel* Channel = nullptr;
        TSocketRequest Request;
        /// The number of the last window picture it was sent; 0 after a strip or none.
        quint64 Shown = 0;
        /// Messages in the order they go; a picture waits for its encoding, and a whole picture
        /// also while the client is behind.
        std::deque<TOutgoing> Queue;
    };

    void TowerChanged();
    void TickerChanged();
    void TickerScrollStarted();
    void FlushTower();
    void FlushTicker();

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

    /// The windows' pictures as they are now, with their ink boxes, each with a new number.
    TPictureRef TakeTower(qint64 drawnAt);
    TPictureRef TakeLine(qint64 drawnAt);
    TPictureRef TakeStrip(qint64 drawnAt);
    TPictureRef Numbered(QImage image, qint64 drawnAt, std::vector<QRect> ink);
    /// `next` follows `previous` (if any) in the same window.
    static void Follow(TPushedPicture& next, const TPictureRef& previous);
    /// The strip message for the ticker's strip as it stands now.
    std::string StripMessageNow(qint64 drawnAt) const;
    /// True when a page of `page` is open.
    bool Watched(TWebPage page) const;
    /// Sends the page's current picture (or strip) to one client.
    void SendCurrent(TClient& client);
    void SendPicture(TClient& client, const TPictureRef& picture);
    void SendStrip(TClient& client);
    void Enqueue(TClient& client, TOutgoing message);
    /// Sends what is ready at the head of the client's queue.
    void Pump(TClient& client);
    void PumpAll();
    /// Whether the client would get `picture` as a patch, if it went now.
    static bool PatchFor(const TClient& client, const TPushedPicture& picture);
    /// A form of `picture`, started on the thread pool when first asked for.
    QFuture<TEncodedPicture> Encoding(TPushedPicture& picture, bool transparent, bool patch);
    /// Bytes queued for the client and not yet taken by the system.
    static qint64 Backlog(const TClient& client);
    TWebSizes Sizes() const;

    /// The tower and the ticker, as the server sees them.
    std::unique_ptr<TWebWindows> Sources;
    std::function<void(const std::string&)> Log;
    QTcpServer* Http = nullptr;
    QTimer* Sweep = nullptr;
    /// Connections still sending their request, with the time they came.
    std::map<QTcpSocket*, qint64> Pending;
    std::vector<std::unique_ptr<TClient>> Clients;

    /// What the pages show now; empty while no page watches.
    TPictureRef TowerPicture;
    TPictureRef LinePicture;
    TPictureRef StripPicture;
    quint64 PicturesTaken = 0;
    qint64 DropLogStart = 0;
    int AnsweredSinceTrim = 0;
    int DropsInWindow = 0;
    bool StripShown = false;
    /// Which strip the pages have: a new one may replace the last within one turn.
    qint64 StripKey = 0;
    /// A change is sent on the next turn of the event loop, so a burst of drawing goes as
    /// one picture; its time is that of the first drawing.
    bool TowerFlushQueued = false;
    bool TickerFlushQueued = false;
    qint64 TowerChangedAt = 0;
    qint64 TickerChangedAt = 0;
};
