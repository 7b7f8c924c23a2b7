#pragma once
// A window's picture as the pages are sent it, with its PNG forms: each form is encoded on the
// thread pool when a page first needs it, once for all the pages that need it.

#include "ui/web/pictureencoding.h"

#include <QFuture>
#include <QImage>

#include <functional>
#include <memory>
#include <optional>

class QObject;

struct TPushedPicture {
    QImage Image;
    qint64 DrawnAt = 0;
    /// The same picture drawn on no background, for transparent pages; null while none
    /// watches.
    QImage Clear;
    /// Its number, and the number and image of the picture it follows in the same window; a
    /// page that has that one gets a patch.
    quint64 Number = 0;
    quint64 BaseNumber = 0;
    QImage Base;
    QImage ClearBase;
    std::optional<QFuture<TEncodedPicture>> Encoded[2][2]; // [transparent][patch]
};
using TPictureRef = std::shared_ptr<TPushedPicture>;

/// `next` follows `previous` (if any) in the same window.
void Follow(TPushedPicture& next, const TPictureRef& previous);

/// A form of `picture`, started on the thread pool when first asked for; then `ready` is
/// called on `receiver`'s thread once it is done.
QFuture<TEncodedPicture> PictureForm(TPushedPicture& picture, bool transparent, bool patch,
                                     QObject* receiver, const std::function<void()>& ready);
