#pragma once
// The pages' live channels, on the windows' thread where their pictures are drawn: the
// registry of open channels and the feed that sends each what its window shows. The HTTP front
// reads a page's request on its own thread and hands the connection over here.

#include "core/web/webroutes.h"
#include "ui/web/droplog.h"
#include "ui/web/livefeed.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class QTcpSocket;
class QTimer;
class TLiveChannel;

/// At most this many live channels (pages open) at once.
constexpr int MaxWebClients = 16;

class TPageHost : public QObject {
    Q_OBJECT
  public:
    TPageHost(std::unique_ptr<TWebWindows> windows, std::function<void(const std::string&)> log,
              QObject* parent = nullptr);
    ~TPageHost() override;

    /// Whether another channel may open now (read on any thread).
    bool HasRoom() const { return Open.load() < MaxWebClients; }
    /// Opens a channel on `socket`, which has come to this thread with its handshake read:
    /// answers the handshake and sends the page what its window shows.
    void OpenChannel(QTcpSocket* socket, const std::string& key, const TSocketRequest& request);
    /// Live channels open now (read on any thread).
    int Count() const { return Open.load(); }
    /// True when the live channel of the peer at `peerPort` is so far behind that new pictures
    /// wait for it.
    bool ChannelBehind(quint16 peerPort) const;
    /// What the pages are sent, and the windows they show.
    TLiveFeed& Feed() { return PageFeed; }

  private:
    /// A page's connection and what the feed keeps for it.
    struct TClient {
        TLiveChannel* Channel = nullptr;
        TFeedChannel* Feed = nullptr;
    };
    void RemoveClient(const TClient* client);
    /// Drops channels far behind and pings the others.
    void CheckChannels();

    /// What the pages are sent; it outlives the channels, which the destructor deletes.
    TLiveFeed PageFeed;
    TDropLog Drops;
    QTimer* Sweep = nullptr;
    std::vector<std::unique_ptr<TClient>> Clients;
    std::atomic<int> Open{0};
};
