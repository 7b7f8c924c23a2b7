#include "ui/web/pictureencoding.h"

#include <QBuffer>
#include <QPainter>

#include <algorithm>
#include <cstring>

namespace {

/// Pure black outside the ink boxes made transparent; `ink` is in the picture's coordinates
/// and `source` is where `picture` was cut from at `origin`.
void MakeBackgroundTransparent(QImage& picture, const QImage& source, QPoint origin,
                               const std::vector<QRect>& ink) {
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            if ((line[x] & 0x00FFFFFF) == 0) {
                line[x] = 0;
            }
        }
    }
    // The ink boxes go back as drawn.
    QPainter painter(&picture);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QRect cut(origin, picture.size());
    for (const QRect& box : ink) {
        const QRect part = box.intersected(cut);
        if (!part.isEmpty()) {
            painter.drawImage(part.topLeft() - origin, source, part);
        }
    }
}

QByteArray EncodePng(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // Little compression: the pictures are flat colours, small either way, and encoding time
    // is latency.
    image.save(&buffer, "PNG", 80);
    return bytes;
}

QImage AsPixels(const QImage& image) {
    return image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
               ? image
               : image.convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEncodedPicture EncodeWhole(const QImage& image, const std::vector<QRect>& ink, bool transparent) {
    if (!transparent) {
        return {EncodePng(image), {}, true};
    }
    QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    MakeBackgroundTransparent(argb, image, QPoint(0, 0), ink);
    return {EncodePng(argb), {}, true};
}

TEncodedPicture EncodePatch(const QImage& base, const QImage& image, const std::vector<QRect>& ink,
                            bool transparent) {
    const QImage before = AsPixels(base);
    const QImage after = AsPixels(image);
    if (before.size() != after.size() || before.format() != after.format() || after.isNull()) {
        return EncodeWhole(image, ink, transparent);
    }
    // Both have 32-bit pixels, so a scan line's bytes divided by four is its stride.
    const std::vector<TPixelBox> boxes =
        ChangedBoxes(reinterpret_cast<const uint32_t*>(before.constBits()),
                     reinterpret_cast<const uint32_t*>(after.constBits()), after.width(),
                     after.height(), static_cast<int>(after.bytesPerLine() / 4));
    if (boxes.empty()) {
        return EncodeWhole(image, ink, transparent);
    }
    int width = 0;
    int height = 0;
    for (const TPixelBox& box : boxes) {
        width = std::max(width, box.Width);
        height += box.Height;
    }
    QImage stacked(width, height, transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    stacked.fill(0);
    int top = 0;
    for (const TPixelBox& box : boxes) {
        QImage part = after.copy(box.X, box.Y, box.Width, box.Height);
        if (transparent) {
            part = part.convertToFormat(QImage::Format_ARGB32);
            MakeBackgroundTransparent(part, after, QPoint(box.X, box.Y), ink);
        }
        for (int y = 0; y < box.Height; ++y) {
            std::memcpy(stacked.scanLine(top + y), part.constScanLine(y),
                        static_cast<std::size_t>(box.Width) * 4);
        }
        top += box.Height;
    }
    return {EncodePng(stacked), boxes, false};
}
