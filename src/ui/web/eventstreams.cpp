#include "ui/web/eventstreams.h"

#include "ui/web/droplog.h"
#include "ui/web/steadyclock.h"

#include <QPointer>
#include <QTcpSocket>

#include <algorithm>
#include <map>

namespace {

std::string PeerOf(const QTcpSocket* socket) {
    return socket->peerAddress().toString().toStdString();
}

std::string StateEvent(const std::string& state) {
    return "event: state\ndata: " + state + "\n\n";
}

} // namespace

TEventStreams::TEventStreams(TDropLog& drops, QObject* parent) : QObject(parent), Drops(drops) {}

void TEventStreams::Open(QTcpSocket* socket, const std::string& state) {
    MakeRoomFor(PeerOf(socket));
    socket->read(socket->bytesAvailable());
    socket->setReadBufferSize(1024);
    const qint64 now = SteadyNowMs();
    Streams.push_back({socket, PeerOf(socket), now, now});
    Write(Streams.back(), "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n"
                          "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n"
                          "Connection: close\r\n\r\n" +
                              StateEvent(state));
    // A stream has nothing to say: whatever it sends is dropped unread, and a flood ends it.
    connect(socket, &QTcpSocket::readyRead, this, [socket] {
        if (socket->bytesAvailable() >= 1024) {
            socket->abort();
        }
    });
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] {
        if (TStream* stream = StreamOf(socket)) {
            stream->TakenAt = SteadyNowMs();
        }
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        std::erase_if(Streams, [socket](const TStream& stream) { return stream.Socket == socket; });
        socket->deleteLater();
    });
}

void TEventStreams::Push(const std::string& state) {
    const std::string event = StateEvent(state);
    std::vector<QPointer<QTcpSocket>> behind;
    for (TStream& stream : Streams) {
        if (stream.Socket->bytesToWrite() > EventBacklog) {
            behind.emplace_back(stream.Socket);
        } else {
            Write(stream, event);
        }
    }
    for (const QPointer<QTcpSocket>& socket : behind) {
        if (socket) {
            Drops.Line("Web server: an event stream at " + PeerOf(socket) +
                       " fell behind and was dropped");
            Drop(socket);
        }
    }
}

void TEventStreams::Check(qint64 now) {
    // Dropping a stream removes it from the list, so not while going through it.
    std::vector<QPointer<QTcpSocket>> silent;
    for (TStream& stream : Streams) {
        if (stream.Socket->bytesToWrite() > 0 && now - stream.TakenAt > EventSilentLimitMs) {
            silent.emplace_back(stream.Socket);
        } else if (now - stream.SentAt >= EventHeartbeatMs) {
            Write(stream, ": keep-alive\n\n");
        }
    }
    for (const QPointer<QTcpSocket>& socket : silent) {
        if (socket) {
            Drops.Line("Web server: an event stream at " + PeerOf(socket) + " took nothing for " +
                       std::to_string(EventSilentLimitMs / 1000) + " s and was dropped");
            Drop(socket);
        }
    }
}

void TEventStreams::MakeRoomFor(const std::string& address) {
    std::map<std::string, std::size_t> perAddress;
    for (const TStream& stream : Streams) {
        ++perAddress[stream.Address];
    }
    std::string from;
    if (perAddress[address] >= MaxEventClientsPerAddress) {
        from = address;
    } else if (Streams.size() >= MaxEventClients) {
        // The address that holds the most gives up its oldest: never one with a single stream
        // while another holds several.
        from = std::max_element(perAddress.begin(), perAddress.end(),
                                [](const auto& a, const auto& b) { return a.second < b.second; })
                   ->first;
    } else {
        return;
    }
    const auto oldest = std::find_if(Streams.begin(), Streams.end(),
                                     [&from](const TStream& s) { return s.Address == from; });
    Drops.Line("Web server: an event stream at " + from + " was closed for a newer one (at most " +
               std::to_string(MaxEventClientsPerAddress) + " an address, " +
               std::to_string(MaxEventClients) + " in all)");
    Drop(oldest->Socket);
}

TEventStreams::TStream* TEventStreams::StreamOf(const QTcpSocket* socket) {
    const auto found = std::find_if(Streams.begin(), Streams.end(),
                                    [socket](const TStream& s) { return s.Socket == socket; });
    return found == Streams.end() ? nullptr : &*found;
}

void TEventStreams::Write(TStream& stream, const std::string& text) {
    const qint64 now = SteadyNowMs();
    if (stream.Socket->bytesToWrite() == 0) {
        // Nothing was waiting: the time to take this starts now.
        stream.TakenAt = now;
    }
    stream.SentAt = now;
    stream.Socket->write(text.data(), static_cast<qint64>(text.size()));
}

void TEventStreams::Drop(QTcpSocket* socket) {
    std::erase_if(Streams, [socket](const TStream& stream) { return stream.Socket == socket; });
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}
