#pragma once
// A real headless Chromium, driven over its DevTools protocol: open a page at a size, run a
// script in it, take a screenshot. For the browser-source tests and benchmarks.

#include <QImage>
#include <QJsonObject>
#include <QJsonValue>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QWebSocket>

#include <map>
#include <optional>

/// Runs the event loop for `ms` milliseconds (the server and the windows live on it).
void PumpEvents(int ms);

/// The offset into `strip` whose window-wide part `shot` shows, or nullopt when none matches.
std::optional<int> StripOffsetShown(const QImage& shot, const QImage& strip);

class TCdpBrowser {
  public:
    /// Starts Chromium with a private profile; Error() says why when it could not.
    TCdpBrowser();
    ~TCdpBrowser();
    TCdpBrowser(const TCdpBrowser&) = delete;
    TCdpBrowser& operator=(const TCdpBrowser&) = delete;

    QString Error() const { return Failure; }

    /// Opens `url` in a new tab with a viewport of `width` x `height` and a transparent page
    /// background; returns the tab's session, or an empty text.
    QString Open(const QString& url, int width, int height);
    /// The value of `expression` in the tab (awaited when it is a promise).
    QJsonValue Evaluate(const QString& session, const QString& expression);
    /// True once `expression` is true in the tab, polled every 20 ms up to `timeoutMs`.
    bool WaitFor(const QString& session, const QString& expression, int timeoutMs);
    /// A screenshot of `width` x `height` pixels from the tab's top left.
    QImage Screenshot(const QString& session, int width, int height);
    /// Chromium's process, to measure it.
    qint64 ProcessId() const { return Chrome.processId(); }

  private:
    QJsonObject Call(const QString& method, const QJsonObject& params,
                     const QString& session = QString());

    QTemporaryDir Profile;
    QProcess Chrome;
    QWebSocket Socket;
    int NextId = 1;
    std::map<int, QJsonObject> Replies;
    QString Failure;
};
