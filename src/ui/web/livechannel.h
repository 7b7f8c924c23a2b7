#pragma once
// One page's live channel: a WebSocket on a TCP connection, spoken here rather than by a
// library so that every byte a client costs is counted. A page sends nothing but the
// protocol's answers, so what it sends is read in small pieces, counted and dropped; a client
// that sends more than a page ever would, or that stops answering, is cut off at once.

#include "core/web/websocket.h"
#include "ui/web/channeloutput.h"

#include <QObject>

#include <deque>
#include <functional>
#include <string>

class QTcpSocket;

/// What a page may send in any one second; a browser sends a few frames a minute.
constexpr int MaxIncomingFramesPerSecond = 50;
constexpr qint64 MaxIncomingBytesPerSecond = 16 << 10;
/// A page's messages are ignored; a longer one, fragments counted, ends the channel.
constexpr std::size_t MaxIncomingMessage = 1024;
/// A page that has not answered a ping sent this long ago has read nothing since.
constexpr qint64 AnswerLimitMs = 10000;
constexpr qint64 PingEveryMs = 2000;

class TLiveChannel : public QObject, public TChannelOutput {
    Q_OBJECT
  public:
    /// Takes over `socket`, whose handshake (already read) is answered here. `dropped` is
    /// called with a reason when the channel cuts the client off, `progress` when the system
    /// has taken bytes, and `gone` once the connection has ended, however it ended; after
    /// `gone` nothing is called, and the owner deletes the channel later.
    TLiveChannel(QTcpSocket* socket, std::string_view key, std::function<void(std::string)> dropped,
                 std::function<void()> progress, std::function<void()> gone, QObject* parent);
    ~TLiveChannel() override;

    void SendText(const std::string& text) override;
    void SendBinary(const QByteArray& bytes) override;
    /// Bytes written and not yet taken by the system: pictures, texts and pongs alike.
    qint64 Backlog() const override;
    /// Pings the page now and then; drops it when it has left a ping unanswered too long.
    void CheckAlive(qint64 now);
    /// Cuts the client off at once, with a log line saying why.
    void Drop(const std::string& reason);
    QString PeerAddress() const;
    quint16 PeerPort() const;

  private:
    void ReadIncoming();
    /// The connection has ended: tells the owner, once.
    void Ended();
    void Handle(const TIncomingFrame& frame);
    /// Ends the channel with a close frame of `code`, as the protocol asks.
    void Close(uint16_t code);

    struct TPing {
        std::string Payload;
        qint64 SentAt = 0;
    };

    QTcpSocket* Socket;
    TFrameReader Reader{MaxIncomingMessage};
    std::function<void(std::string)> Dropped;
    std::function<void()> Gone;
    /// Pings not yet answered, oldest first; the time the page was last known to read.
    std::deque<TPing> Pings;
    /// When the last ping was sent; 0 before the first.
    qint64 LastPingAt = 0;
    qint64 AnsweredAt = 0;
    /// What came in during the current second.
    qint64 WindowStart = 0;
    int FramesInWindow = 0;
    qint64 BytesInWindow = 0;
    bool Closing = false;
};
