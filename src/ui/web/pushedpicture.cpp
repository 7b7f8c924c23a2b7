#include "ui/web/pushedpicture.h"

#include <QFutureWatcher>
#include <QObject>
#include <QtConcurrent/QtConcurrentRun>

void Follow(TPushedPicture& next, const TPictureRef& previous) {
    if (previous) {
        next.BaseNumber = previous->Number;
        next.Base = previous->Image;
        next.ClearBase = previous->Clear;
    }
}

QFuture<TEncodedPicture> PictureForm(TPushedPicture& picture, bool transparent, bool patch,
                                     QObject* receiver, const std::function<void()>& ready) {
    std::optional<QFuture<TEncodedPicture>>& encoded = picture.Encoded[transparent][patch];
    if (!encoded) {
        // Copies of the images and boxes go to the pool: the window draws on meanwhile.
        encoded = QtConcurrent::run([image = transparent ? picture.Clear : picture.Image,
                                     base = transparent ? picture.ClearBase : picture.Base, patch] {
            return patch ? EncodePatch(base, image) : EncodeWhole(image);
        });
        auto* watcher = new QFutureWatcher<TEncodedPicture>(receiver);
        QObject::connect(watcher, &QFutureWatcherBase::finished, receiver, [watcher, ready] {
            watcher->deleteLater();
            ready();
        });
        watcher->setFuture(*encoded);
    }
    return *encoded;
}
