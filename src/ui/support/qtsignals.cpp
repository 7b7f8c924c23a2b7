#include "support/qtsignals.h"

#include "platform/stoprequest.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

void CloseOnTerminationSignals(QObject* context, std::function<void()> close) {
    const QPointer<QObject> target(context);
    CallOnStopRequests([target, close = std::move(close)] {
        // Called on the stop thread: the close itself runs on the event loop.
        QMetaObject::invokeMethod(
            target.data(), [close] { close(); }, Qt::QueuedConnection);
    });
}
