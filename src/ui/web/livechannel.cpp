#include "ui/web/livechannel.h"

#include "ui/web/steadyclock.h"

#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTimer>

namespace {

/// What the system reads for the channel at one time: the work of one turn of the event loop
/// stays small however fast a client sends.
constexpr qint64 ReadPiece = 4096;
/// A closing client has this long to take the close frame before it is cut off.
constexpr int CloseLimitMs = 3000;
/// Unanswered pings kept: a slow page may answer one that is not the latest.
constexpr std::size_t PingsKept = 8;

std::string CloseCodeBytes(uint16_t code) {
    return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

} // namespace

TLiveChannel::TLiveChannel(QTcpSocket* socket, std::string_view key,
                           std::function<void(std::string)> dropped, std::function<void()> progress,
                           std::function<void()> gone, QObject* parent)
    : QObject(parent), Socket(socket), Dropped(std::move(dropped)), Gone(std::move(gone)),
      AnsweredAt(SteadyNowMs()), WindowStart(AnsweredAt) {
    Socket->setParent(this);
    Socket->setReadBufferSize(ReadPiece);
    connect(Socket, &QTcpSocket::readyRead, this, &TLiveChannel::ReadIncoming);
    connect(Socket, &QTcpSocket::bytesWritten, this,
            [progress = std::move(progress)] { progress(); });
    connect(Socket, &QTcpSocket::disconnected, this, &TLiveChannel::Ended);
    const std::string answer = SwitchingProtocolsAnswer(key);
    Socket->write(answer.data(), static_cast<qint64>(answer.size()));
    // A client may send its first frames with the handshake, or be gone already (its end was
    // told before the channel listened).
    QTimer::singleShot(0, this, [this] {
        if (Socket->state() == QAbstractSocket::UnconnectedState) {
            Ended();
        } else {
            ReadIncoming();
        }
    });
}

void TLiveChannel::Ended() {
    // Nothing more comes from the socket: the owner lets go of the channel from here.
    Socket->disconnect(this);
    Closing = true;
    if (Gone) {
        const auto gone = std::move(Gone);
        Gone = nullptr;
        gone();
    }
}

TLiveChannel::~TLiveChannel() {
    Socket->disconnect(this);
    Socket->abort();
}

void TLiveChannel::SendText(const std::string& text) {
    if (Closing) {
        return;
    }
    const std::string frame = Frame(TOpcode::Text, text);
    Socket->write(frame.data(), static_cast<qint64>(frame.size()));
}

void TLiveChannel::SendBinary(const QByteArray& bytes) {
    if (Closing) {
        return;
    }
    const std::string head = FrameHead(TOpcode::Binary, static_cast<std::size_t>(bytes.size()));
    Socket->write(head.data(), static_cast<qint64>(head.size()));
    Socket->write(bytes);
}

qint64 TLiveChannel::Backlog() const {
    return Socket->bytesToWrite();
}

QString TLiveChannel::PeerAddress() const {
    return Socket->peerAddress().toString();
}

quint16 TLiveChannel::PeerPort() const {
    return Socket->peerPort();
}

void TLiveChannel::CheckAlive(qint64 now) {
    if (Closing || Socket->state() != QAbstractSocket::ConnectedState) {
        return;
    }
    if (now - AnsweredAt > AnswerLimitMs) {
        Drop("took nothing for " + std::to_string((now - AnsweredAt) / 1000) + " s");
        return;
    }
    // Timed from the last ping sent, answered or not: an answered one leaves the list, and
    // timing from the list pinged a good page at every look. The looks come about a second
    // apart, a little early or late, so a ping goes at every second one.
    if (LastPingAt == 0 || now - LastPingAt >= PingEveryMs - PingEveryMs / 4) {
        LastPingAt = now;
        // A token the page cannot guess: only a page that has read the ping can answer it.
        const quint64 token = QRandomGenerator::global()->generate64();
        std::string payload(reinterpret_cast<const char*>(&token), sizeof token);
        const std::string frame = Frame(TOpcode::Ping, payload);
        Socket->write(frame.data(), static_cast<qint64>(frame.size()));
        Pings.push_back({std::move(payload), now});
        if (Pings.size() > PingsKept) {
            Pings.pop_front();
        }
    }
}

void TLiveChannel::Drop(const std::string& reason) {
    if (Socket->state() == QAbstractSocket::UnconnectedState) {
        return;
    }
    // One line a client: a channel already closing for a fault has said why.
    if (!Closing) {
        Closing = true;
        Dropped(reason);
    }
    // Whatever is held for the client goes with it, now.
    Socket->abort();
}

void TLiveChannel::ReadIncoming() {
    const qint64 now = SteadyNowMs();
    while (!Closing && Socket->bytesAvailable() > 0) {
        const QByteArray bytes = Socket->read(ReadPiece);
        if (now - WindowStart >= 1000) {
            WindowStart = now;
            FramesInWindow = 0;
            BytesInWindow = 0;
        }
        BytesInWindow += bytes.size();
        const TFrameFault fault =
            Reader.Feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                        [this](const TIncomingFrame& frame) { Handle(frame); });
        if (Closing) {
            return;
        }
        if (FramesInWindow > MaxIncomingFramesPerSecond ||
            BytesInWindow > MaxIncomingBytesPerSecond) {
            Drop("sent " + std::to_string(FramesInWindow) + " frames (" +
                 std::to_string(BytesInWindow) + " bytes) within a second");
            return;
        }
        if (fault != TFrameFault::None) {
            Dropped(fault == TFrameFault::TooLarge ? "sent a message over 1 KiB"
                                                   : "broke the WebSocket protocol");
            Close(static_cast<uint16_t>(fault));
            return;
        }
    }
}

void TLiveChannel::Handle(const TIncomingFrame& frame) {
    ++FramesInWindow;
    switch (frame.Opcode) {
    case TOpcode::Ping: {
        const std::string pong = Frame(TOpcode::Pong, frame.Payload);
        Socket->write(pong.data(), static_cast<qint64>(pong.size()));
        break;
    }
    case TOpcode::Pong:
        for (auto ping = Pings.begin(); ping != Pings.end(); ++ping) {
            if (ping->Payload == frame.Payload) {
                AnsweredAt = std::max(AnsweredAt, ping->SentAt);
                Pings.erase(Pings.begin(), std::next(ping));
                break;
            }
        }
        break;
    case TOpcode::Close:
        Close(1000);
        break;
    default:
        break; // a page's data is not read
    }
}

void TLiveChannel::Close(uint16_t code) {
    if (Closing) {
        return;
    }
    Closing = true;
    const std::string frame = Frame(TOpcode::Close, CloseCodeBytes(code));
    Socket->write(frame.data(), static_cast<qint64>(frame.size()));
    Socket->disconnectFromHost();
    QTimer::singleShot(CloseLimitMs, this, [this] { Socket->abort(); });
}
