#include "ui/web/pagehost.h"

#include "ui/web/livechannel.h"
#include "ui/web/steadyclock.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace {

/// A client this far behind is dropped: more than a picture past the point where pictures
/// wait for it (MaxBacklog).
constexpr qint64 DropBacklog = 4 << 20;

} // namespace

TPageHost::TPageHost(std::unique_ptr<TWebWindows> windows,
                     std::function<void(const std::string&)> log, QObject* parent)
    : QObject(parent), PageFeed(std::move(windows)), Drops(std::move(log)),
      Sweep(new QTimer(this)) {
    connect(Sweep, &QTimer::timeout, this, &TPageHost::CheckChannels);
    Sweep->start(1000);
    // The feed learns what the windows show, a strip among it, before the first page comes.
    PageFeed.TowerChanged();
    PageFeed.TickerChanged();
}

TPageHost::~TPageHost() {
    // The live channels are the host's own; closing them must not call back into it.
    for (const auto& client : Clients) {
        delete client->Channel;
    }
}

void TPageHost::OpenChannel(QTcpSocket* socket, const std::string& key,
                            const TSocketRequest& request) {
    if (Clients.size() >= static_cast<std::size_t>(MaxWebClients)) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    auto client = std::make_unique<TClient>();
    TClient* raw = client.get();
    const std::string page = socket->peerAddress().toString().toStdString();
    raw->Channel = new TLiveChannel(
        socket, key,
        [this, page](const std::string& reason) {
            Drops.Line("Web server: a page at " + page + " " + reason + " and was dropped");
        },
        [this, raw] { PageFeed.Pump(*raw->Feed); }, [this, raw] { RemoveClient(raw); }, this);
    Clients.push_back(std::move(client));
    Open = static_cast<int>(Clients.size());
    raw->Feed = PageFeed.Open(request, *raw->Channel);
}

bool TPageHost::ChannelBehind(quint16 peerPort) const {
    return std::any_of(Clients.begin(), Clients.end(), [peerPort](const auto& client) {
        return client->Channel->PeerPort() == peerPort && client->Channel->Backlog() > MaxBacklog;
    });
}

void TPageHost::RemoveClient(const TClient* client) {
    const auto found = std::find_if(Clients.begin(), Clients.end(),
                                    [client](const auto& c) { return c.get() == client; });
    if (found != Clients.end()) {
        PageFeed.Close((*found)->Feed);
        (*found)->Channel->deleteLater();
        Clients.erase(found);
        Open = static_cast<int>(Clients.size());
    }
}

void TPageHost::CheckChannels() {
    const qint64 now = SteadyNowMs();
    Drops.Tick(now);
    // Dropping a client removes it from the list, so not while going through it.
    std::vector<QPointer<TLiveChannel>> channels;
    for (const auto& client : Clients) {
        channels.emplace_back(client->Channel);
    }
    for (const QPointer<TLiveChannel>& channel : channels) {
        if (!channel) {
            continue;
        }
        const qint64 backlog = channel->Backlog();
        if (backlog > DropBacklog) {
            channel->Drop("fell " + std::to_string(backlog >> 20) + " MiB behind");
        } else {
            channel->CheckAlive(now);
        }
    }
}
