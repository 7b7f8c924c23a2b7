#pragma once
// The browser-source server: the built-in pages and their live channels, the control API and
// the data for graphics engines. Its HTTP front runs on a thread of its own (THttpFront), so no
// client, however it behaves, makes the windows wait; the pages' live channels run where their
// pictures are drawn (TPageHost). This object, on the windows' thread, joins the two to the
// console: it publishes the state, the data and the windows' sizes to the front, and runs the
// calls the front sends.

#include "core/web/websettings.h"
#include "ui/web/webwindows.h"

#include <QObject>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class QThread;
class THttpFront;
class TPageHost;

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
    int PageCount() const;
    /// Event streams of the state open now (control surfaces following the console).
    int EventClientCount() const;
    /// True when the live channel of the peer at `peerPort` is so far behind that new pictures
    /// wait for it: the system has stopped taking its bytes (it is dropped once it has taken
    /// nothing for AnswerLimitMs).
    bool ChannelBehind(quint16 peerPort) const;

  private:
    /// Stops the front on its thread and ends the thread.
    void StopFront();
    /// The windows' sizes as the front serves the pages.
    TWebSizes PublishedSizes() const;
    void PublishSizes();

    std::function<void(const std::string&)> Log;
    TPageHost* Pages = nullptr;
    TWebControl* Control = nullptr;
    QThread* Thread = nullptr;
    THttpFront* Front = nullptr;
    TWebAccess Access;
    QString Base;
    int StateListener = 0;
    int DataListener = 0;
    mutable std::mutex SizesLock;
    TWebSizes Sizes;
};
