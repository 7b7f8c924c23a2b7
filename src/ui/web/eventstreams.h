#pragma once
// The streams of the console's state (Server-Sent Events) that control surfaces keep open: sent
// the state on each change and a comment line when quiet, each address held to its share, and
// a stream that takes nothing dropped.

#include <QObject>

#include <string>
#include <vector>

class QTcpSocket;
class TDropLog;

/// Streams at once, and from one client address: a newer stream takes the place of the oldest
/// of its address, so a client holding streams locks out nobody but itself.
constexpr std::size_t MaxEventClients = 32;
constexpr std::size_t MaxEventClientsPerAddress = 8;
/// How far a stream may fall behind before it is dropped, and how long it may take nothing.
constexpr qint64 EventBacklog = 64 << 10;
constexpr qint64 EventSilentLimitMs = 30000;
/// A comment line this often keeps proxies and control surfaces from closing a quiet stream.
constexpr qint64 EventHeartbeatMs = 15000;

class TEventStreams : public QObject {
    Q_OBJECT
  public:
    TEventStreams(TDropLog& drops, QObject* parent);

    /// Takes over `socket`, whose request has been read, and sends it `state` at once.
    void Open(QTcpSocket* socket, const std::string& state);
    /// Sends `state` to every stream.
    void Push(const std::string& state);
    /// Sends a heartbeat to quiet streams and drops those that took nothing too long.
    void Check(qint64 now);
    int Count() const { return static_cast<int>(Streams.size()); }

  private:
    /// A stream, with the address it came from, when it last took bytes and was last sent some.
    struct TStream {
        QTcpSocket* Socket = nullptr;
        std::string Address;
        qint64 TakenAt = 0;
        qint64 SentAt = 0;
    };
    /// Closes the oldest stream of `address` when it holds its share, or of the address that
    /// holds the most when all are taken.
    void MakeRoomFor(const std::string& address);
    TStream* StreamOf(const QTcpSocket* socket);
    void Write(TStream& stream, const std::string& text);
    /// Ends a stream at once and forgets it.
    void Drop(QTcpSocket* socket);

    TDropLog& Drops;
    std::vector<TStream> Streams;
};
