#include "tests/support/cdpbrowser.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

namespace {

constexpr int CallTimeoutMs = 20000;

QString ChromiumProgram() {
    for (const char* name : {"chromium", "chromium-browser", "google-chrome"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty()) {
            return found;
        }
    }
    return {};
}

} // namespace

void PumpEvents(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

std::optional<int> StripOffsetShown(const QImage& shot, const QImage& strip) {
    const QImage wanted = shot.convertToFormat(QImage::Format_RGB32);
    const QImage source = strip.convertToFormat(QImage::Format_RGB32);
    for (int offset = 0; offset + wanted.width() <= source.width(); ++offset) {
        bool same = true;
        for (int y = 0; y < wanted.height() && same; ++y) {
            const auto* a = reinterpret_cast<const QRgb*>(wanted.constScanLine(y));
            const auto* b = reinterpret_cast<const QRgb*>(source.constScanLine(y)) + offset;
            same = std::equal(a, a + wanted.width(), b,
                              [](QRgb p, QRgb q) { return (p | 0xFF000000) == (q | 0xFF000000); });
        }
        if (same) {
            return offset;
        }
    }
    return std::nullopt;
}

TCdpBrowser::TCdpBrowser() {
    const QString program = ChromiumProgram();
    if (program.isEmpty()) {
        Failure = QStringLiteral("no chromium on PATH (scripts/setup installs it)");
        return;
    }
    QObject::connect(&Socket, &QWebSocket::textMessageReceived, [this](const QString& text) {
        const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
        if (message.contains(QStringLiteral("id"))) {
            Replies[message.value(QStringLiteral("id")).toInt()] = message;
        }
    });
    Chrome.setProcessChannelMode(QProcess::SeparateChannels);
    Chrome.start(program, {QStringLiteral("--headless=new"), QStringLiteral("--no-sandbox"),
                           QStringLiteral("--disable-gpu"), QStringLiteral("--no-first-run"),
                           QStringLiteral("--mute-audio"), QStringLiteral("--hide-scrollbars"),
                           QStringLiteral("--force-device-scale-factor=1"),
                           QStringLiteral("--force-color-profile=srgb"),
                           // Every tab is a source on air: none is throttled as hidden.
                           QStringLiteral("--disable-background-timer-throttling"),
                           QStringLiteral("--disable-renderer-backgrounding"),
                           QStringLiteral("--disable-backgrounding-occluded-windows"),
                           QStringLiteral("--remote-debugging-port=0"),
                           // A site's name rebound to this PC, as DNS rebinding does.
                           QStringLiteral("--host-resolver-rules=MAP *.example 127.0.0.1"),
                           QStringLiteral("--user-data-dir=") + Profile.path(),
                           QStringLiteral("about:blank")});
    // Chromium names its DevTools address on its error output once it listens.
    const QRegularExpression listening(QStringLiteral("DevTools listening on (ws://\\S+)"));
    QString said;
    QDeadlineTimer deadline(30000);
    QString address;
    while (address.isEmpty() && !deadline.hasExpired() && Chrome.state() != QProcess::NotRunning) {
        Chrome.waitForReadyRead(100);
        said += QString::fromUtf8(Chrome.readAllStandardError());
        const QRegularExpressionMatch match = listening.match(said);
        if (match.hasMatch()) {
            address = match.captured(1);
        }
    }
    if (address.isEmpty()) {
        Failure = QStringLiteral("chromium did not start: ") + said.right(500);
        return;
    }
    QEventLoop loop;
    QObject::connect(&Socket, &QWebSocket::connected, &loop, &QEventLoop::quit);
    Socket.open(QUrl(address));
    QDeadlineTimer connectDeadline(10000);
    while (Socket.state() != QAbstractSocket::ConnectedState && !connectDeadline.hasExpired()) {
        loop.processEvents(QEventLoop::AllEvents, 50);
    }
    if (Socket.state() != QAbstractSocket::ConnectedState) {
        Failure = QStringLiteral("cannot reach chromium at ") + address;
    }
}

TCdpBrowser::~TCdpBrowser() {
    Socket.abort();
    if (Chrome.state() != QProcess::NotRunning) {
        Chrome.terminate();
        if (!Chrome.waitForFinished(5000)) {
            Chrome.kill();
            Chrome.waitForFinished(5000);
        }
    }
}

QJsonObject TCdpBrowser::Call(const QString& method, const QJsonObject& params,
                              const QString& session) {
    if (!Failure.isEmpty()) {
        return {};
    }
    const int id = NextId++;
    QJsonObject message{{QStringLiteral("id"), id},
                        {QStringLiteral("method"), method},
                        {QStringLiteral("params"), params}};
    if (!session.isEmpty()) {
        message.insert(QStringLiteral("sessionId"), session);
    }
    Socket.sendTextMessage(
        QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
    QDeadlineTimer deadline(CallTimeoutMs);
    while (Replies.count(id) == 0 && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (Replies.count(id) == 0) {
            Socket.flush();
            QThread::msleep(1);
        }
    }
    const auto reply = Replies.find(id);
    if (reply == Replies.end()) {
        Failure = method + QStringLiteral(" got no answer");
        return {};
    }
    QJsonObject answer = reply->second;
    Replies.erase(reply);
    if (answer.contains(QStringLiteral("error"))) {
        Failure = method + QStringLiteral(": ") +
                  QString::fromUtf8(QJsonDocument(answer.value(QStringLiteral("error")).toObject())
                                        .toJson(QJsonDocument::Compact));
        return {};
    }
    return answer.value(QStringLiteral("result")).toObject();
}

QString TCdpBrowser::Open(const QString& url, int width, int height) {
    const QString target = Call(QStringLiteral("Target.createTarget"),
                                {{QStringLiteral("url"), QStringLiteral("about:blank")},
                                 {QStringLiteral("newWindow"), true}})
                               .value(QStringLiteral("targetId"))
                               .toString();
    if (target.isEmpty()) {
        return {};
    }
    const QString session =
        Call(QStringLiteral("Target.attachToTarget"),
             {{QStringLiteral("targetId"), target}, {QStringLiteral("flatten"), true}})
            .value(QStringLiteral("sessionId"))
            .toString();
    Call(QStringLiteral("Emulation.setDeviceMetricsOverride"),
         {{QStringLiteral("width"), width},
          {QStringLiteral("height"), height},
          {QStringLiteral("deviceScaleFactor"), 1},
          {QStringLiteral("mobile"), false}},
         session);
    Call(QStringLiteral("Emulation.setDefaultBackgroundColorOverride"),
         {{QStringLiteral("color"), QJsonObject{{QStringLiteral("r"), 0},
                                                {QStringLiteral("g"), 0},
                                                {QStringLiteral("b"), 0},
                                                {QStringLiteral("a"), 0}}}},
         session);
    Call(QStringLiteral("Page.navigate"), {{QStringLiteral("url"), url}}, session);
    return Failure.isEmpty() ? session : QString();
}

QJsonValue TCdpBrowser::Evaluate(const QString& session, const QString& expression) {
    const QJsonObject result = Call(QStringLiteral("Runtime.evaluate"),
                                    {{QStringLiteral("expression"), expression},
                                     {QStringLiteral("returnByValue"), true},
                                     {QStringLiteral("awaitPromise"), true}},
                                    session);
    return result.value(QStringLiteral("result")).toObject().value(QStringLiteral("value"));
}

bool TCdpBrowser::WaitFor(const QString& session, const QString& expression, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired() && Failure.isEmpty()) {
        if (Evaluate(session, expression).toBool()) {
            return true;
        }
        QDeadlineTimer pause(20);
        while (!pause.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }
    return false;
}

QImage TCdpBrowser::Screenshot(const QString& session, int width, int height) {
    const QJsonObject clip{{QStringLiteral("x"), 0},
                           {QStringLiteral("y"), 0},
                           {QStringLiteral("width"), width},
                           {QStringLiteral("height"), height},
                           {QStringLiteral("scale"), 1}};
    const QString data =
        Call(QStringLiteral("Page.captureScreenshot"),
             {{QStringLiteral("format"), QStringLiteral("png")}, {QStringLiteral("clip"), clip}},
             session)
            .value(QStringLiteral("data"))
            .toString();
    return QImage::fromData(QByteArray::fromBase64(data.toLatin1()), "PNG");
}
