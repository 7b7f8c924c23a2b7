#include "ui/web/qtwebserver.h"

#include "core/web/hostcheck.h"
#include "ui/web/httpfront.h"
#include "ui/web/pagehost.h"

#include <QHostInfo>
#include <QNetworkInterface>
#include <QThread>

#include <algorithm>

namespace {

std::string UrlOf(const QHostAddress& host, quint16 port) {
    const std::string text = host.toString().toStdString();
    return "http://" + (host.protocol() == QHostAddress::IPv6Protocol ? "[" + text + "]" : text) +
           ":" + std::to_string(port);
}

/// Where other PCs reach a server listening on `host`: a wildcard address is no address to
/// type into a browser, so it stands for this PC's own network addresses (IPv4 first) of the
/// protocols it serves: "::" listens on IPv6 only, "0.0.0.0" on IPv4 only.
std::vector<QHostAddress> ReachableAt(const QHostAddress& host) {
    const bool ipv4 = host == QHostAddress::Any || host == QHostAddress::AnyIPv4;
    const bool ipv6 = host == QHostAddress::Any || host == QHostAddress::AnyIPv6;
    if (!ipv4 && !ipv6) {
        return {host};
    }
    std::vector<QHostAddress> found;
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        const bool wanted = address.protocol() == QHostAddress::IPv4Protocol ? ipv4 : ipv6;
        if (wanted && !address.isLoopback() && !address.isLinkLocal()) {
            found.push_back(address);
        }
    }
    std::stable_partition(found.begin(), found.end(), [](const QHostAddress& address) {
        return address.protocol() == QHostAddress::IPv4Protocol;
    });
    if (found.empty()) {
        found.push_back(QHostAddress(ipv4 ? QHostAddress::LocalHost : QHostAddress::LocalHostIPv6));
    }
    return found;
}

/// The names a request's Host may give: this PC's name (plain, in its domain, and as the local
/// network announces it) and every address of it, with the names the user added.
THostNames OwnHostNames(const std::vector<std::string>& added, int port) {
    std::vector<std::string> names = added;
    const std::string name = QHostInfo::localHostName().toStdString();
    const std::string domain = QHostInfo::localDomainName().toStdString();
    if (!name.empty()) {
        names.push_back(name);
        names.push_back(name + ".local");
        if (!domain.empty()) {
            names.push_back(name + "." + domain);
        }
    }
    for (QHostAddress address : QNetworkInterface::allAddresses()) {
        address.setScopeId({});
        names.push_back(address.toString().toStdString());
    }
    return HostNamesFor(names, port);
}

QHostAddress AddressFrom(const std::string& text) {
    if (text.empty() || text == "localhost") {
        return QHostAddress(QHostAddress::LocalHost);
    }
    return QHostAddress(QString::fromStdString(text));
}

} // namespace

TWebServer::TWebServer(std::unique_ptr<TWebWindows> sources,
                       std::function<void(const std::string&)> log, QObject* parent)
    : QObject(parent), Log(std::move(log)), Control(sources->Control()) {
    Pages = new TPageHost(std::move(sources), Log, this);
    Pages->Feed().Windows().Watch(
        this, [this] { PublishSizes(); }, [this] { PublishSizes(); }, [] {});
    PublishSizes();
}

TWebServer::~TWebServer() {
    StopFront();
}

void TWebServer::StopFront() {
    if (Control != nullptr) {
        Control->Unsubscribe(StateListener);
        Control->UnsubscribeData(DataListener);
        StateListener = DataListener = 0;
    }
    if (Front != nullptr) {
        // Its sockets are ended on the thread they live on; it never waits for this one.
        THttpFront* front = std::exchange(Front, nullptr);
        QMetaObject::invokeMethod(
            front, [front] { delete front; }, Qt::BlockingQueuedConnection);
    }
    if (Thread != nullptr) {
        Thread->quit();
        Thread->wait();
    }
}

TWebSizes TWebServer::PublishedSizes() const {
    const std::lock_guard<std::mutex> hold(SizesLock);
    return Sizes;
}

void TWebServer::PublishSizes() {
    const TWebSizes now = Pages->Feed().Sizes();
    const std::lock_guard<std::mutex> hold(SizesLock);
    Sizes = now;
}

bool TWebServer::Listen(const TWebSettings& settings) {
    Access = settings.Access;
    return Listen(settings.Address, settings.Port, settings.HostNames);
}

bool TWebServer::Listen(const std::string& address, int port,
                        const std::vector<std::string>& hostNames) {
    const QHostAddress host = AddressFrom(address);
    const std::string where =
        (address.empty() ? "127.0.0.1" : address) + ":" + std::to_string(port);
    if (host.isNull()) {
        Log("Web server: WebAddress '" + address + "' is not an IP address; no browser sources");
        return false;
    }
    TFrontLinks links;
    // The front's lines join the log on this thread, in the order they came.
    links.Log = [this](const std::string& line) {
        QMetaObject::invokeMethod(this, [this, line] { Log(line); });
    };
    links.Sizes = [this] { return PublishedSizes(); };
    links.Console = this;
    links.Control = Control;
    links.Pages = Pages;
    auto front =
        std::make_unique<THttpFront>(links, Access, Control != nullptr ? Control->StateJson() : "");
    const std::string failed = port < 0 || port > 65535
                                   ? std::string("WebPort must be 1..65535")
                                   : front->Listen(host, static_cast<quint16>(port));
    if (!failed.empty()) {
        Log("Web server: cannot listen on " + where + " (" + failed + "); no browser sources");
        return false;
    }
    front->AllowHosts(OwnHostNames(hostNames, front->Port()));
    if (Control != nullptr) {
        THttpFront* raw = front.get();
        StateListener = Control->Subscribe([this, raw] {
            // Told at once: a command's effect reaches the streams within milliseconds.
            QMetaObject::invokeMethod(
                raw, [raw, state = Control->StateJson()] { raw->StateChanged(state); });
        });
        DataListener = Control->SubscribeData(
            [raw] { QMetaObject::invokeMethod(raw, [raw] { raw->DataChanged(); }); });
    }
    Thread = new QThread(this);
    Thread->setObjectName("web server");
    front->moveToThread(Thread);
    Front = front.release();
    Thread->start();
    QMetaObject::invokeMethod(Front, [front = Front] { front->Start(); });

    const std::vector<QHostAddress> reachable = ReachableAt(host);
    const std::string url = UrlOf(reachable.front(), ServingPort());
    Base = QString::fromStdString(url);
    std::string also;
    for (std::size_t i = 1; i < reachable.size(); ++i) {
        also += (also.empty() ? " (also at " : ", ") + UrlOf(reachable[i], ServingPort());
    }
    Log("Web server: browser sources at " + url + "/tower and " + url + "/ticker" +
        (also.empty() ? "" : also + ")") +
        (Control != nullptr ? "; control and data at " + url + "/api" : ""));
    return true;
}

quint16 TWebServer::ServingPort() const {
    return Front != nullptr ? Front->Port() : 0;
}

int TWebServer::ConnectionCount() const {
    return (Front != nullptr ? Front->ConnectionCount() : 0) + Pages->Count();
}

int TWebServer::PageCount() const {
    return Pages->Count();
}

int TWebServer::EventClientCount() const {
    return Front != nullptr ? Front->EventStreamCount() : 0;
}

bool TWebServer::ChannelBehind(quint16 peerPort) const {
    return Pages->ChannelBehind(peerPort);
}
