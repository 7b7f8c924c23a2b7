#include "ui/support/qtsignals.h"

#include "core/platform/stoprequest.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QSessionManager>

void CloseOnTerminationSignals(QObject* context, std::function<void()> close) {
    const QPointer<QObject> target(context);
    CallOnStopRequests([target, close = std::move(close)] {
        // Called on the stop thread: the close itself runs on the event loop.
        QMetaObject::invokeMethod(
            target.data(), [close] { close(); }, Qt::QueuedConnection);
    });
}

void SaveOnSessionEnd(QObject* context, std::function<void()> save) {
    // Direct: the request is answered when the slot returns, and the process may end then.
    QObject::connect(
        qGuiApp, &QGuiApplication::commitDataRequest, context,
        [save = std::move(save)](QSessionManager&) { save(); }, Qt::DirectConnection);
}
