#include "ui/support/qtdevicepixels.h"

#include <QPainter>

#include <cmath>

QSize DeviceSize(QSize logical, qreal ratio) {
    return QSize(static_cast<int>(std::ceil(logical.width() * ratio - 1e-9)),
                 static_cast<int>(std::ceil(logical.height() * ratio - 1e-9)));
}

namespace {

QImage FilledPicture(QSize logical, qreal ratio, QImage::Format format, Qt::GlobalColor fill) {
    QImage picture(DeviceSize(logical, ratio), format);
    if (!picture.isNull()) {
        picture.setDevicePixelRatio(ratio);
        picture.fill(fill);
    }
    return picture;
}

} // namespace

QImage DevicePicture(QSize logical, qreal ratio) {
    return FilledPicture(logical, ratio, QImage::Format_RGB32, Qt::black);
}

QImage ClearPicture(QSize logical, qreal ratio) {
    return FilledPicture(logical, ratio, QImage::Format_ARGB32_Premultiplied, Qt::transparent);
}

void FillBackground(QPainter& painter, const QRect& area) {
    const QPaintDevice* device = painter.device();
    const auto* image = dynamic_cast<const QImage*>(device);
    if (image == nullptr || !image->hasAlphaChannel()) {
        painter.fillRect(area, Qt::black);
        return;
    }
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillRect(area, Qt::transparent);
    painter.restore();
}

QSize LogicalSize(const QImage& picture) {
    const qreal ratio = picture.devicePixelRatio();
    // The device size was rounded up from the logical one, so rounding down goes back.
    return QSize(static_cast<int>(picture.width() / ratio + 1e-9),
                 static_cast<int>(picture.height() / ratio + 1e-9));
}

bool PictureFits(const QImage& picture, QSize logical, qreal ratio) {
    return !picture.isNull() && picture.devicePixelRatio() == ratio &&
           picture.size() == DeviceSize(logical, ratio);
}

QRect DeviceRect(const QRect& logical, qreal ratio) {
    if (ratio == 1.0) {
        return logical;
    }
    // The raster painter rounds each edge of an unsmoothed fill to the nearest pixel.
    const auto edge = [ratio](int at) { return static_cast<int>(std::lround(at * ratio)); };
    const int left = edge(logical.x());
    const int top = edge(logical.y());
    return QRect(left, top, edge(logical.x() + logical.width()) - left,
                 edge(logical.y() + logical.height()) - top);
}

void PaintPicture(QPainter& painter, const QRegion& exposed, const QImage& picture,
                  QPoint deviceOrigin) {
    const qreal ratio = picture.devicePixelRatio();
    if (ratio == 1.0) {
        // The common case stays a plain copy of the exposed rectangles.
        for (const QRect& area : exposed) {
            painter.drawImage(area.topLeft(), picture, area.translated(-deviceOrigin));
        }
        return;
    }
    // Drawn whole under a clip: the painter's scale and the picture's ratio cancel, so the
    // copy is pixel for pixel; the clip keeps it to what needs painting.
    painter.save();
    painter.setClipRegion(exposed);
    painter.drawImage(QPointF(deviceOrigin) / ratio, picture);
    painter.restore();
}
