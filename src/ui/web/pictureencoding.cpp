#include "ui/web/pictureencoding.h"

#include <QBuffer>

#include <algorithm>
#include <cstring>

namespace {

QByteArray EncodePng(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // Little compression: the pictures are flat colours, small either way, and encoding time
    // is latency.
    image.save(&buffer, "PNG", 80);
    return bytes;
}

/// The picture with 32-bit pixels, keeping its alpha when it has one.
QImage AsPixels(const QImage& image) {
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return image;
    default:
        return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                             : QImage::Format_RGB32);
    }
}

} // namespace

TEncodedPicture EncodeWhole(const QImage& image) {
    return {EncodePng(image), {}, true};
}

TEncodedPicture EncodePatch(const QImage& base, const QImage& image) {
    const QImage before = AsPixels(base);
    const QImage after = AsPixels(image);
    if (before.size() != after.size() || before.format() != after.format() || after.isNull()) {
        return EncodeWhole(image);
    }
    // Both have 32-bit pixels, so a scan line's bytes divided by four is its stride.
    const std::vector<TPixelBox> boxes =
        ChangedBoxes(reinterpret_cast<const uint32_t*>(before.constBits()),
                     reinterpret_cast<const uint32_t*>(after.constBits()), after.width(),
                     after.height(), static_cast<int>(after.bytesPerLine() / 4));
    if (boxes.empty()) {
        return EncodeWhole(image);
    }
    int width = 0;
    int height = 0;
    for (const TPixelBox& box : boxes) {
        width = std::max(width, box.Width);
        height += box.Height;
    }
    QImage stacked(width, height, after.format());
    stacked.fill(0);
    int top = 0;
    for (const TPixelBox& box : boxes) {
        for (int y = 0; y < box.Height; ++y) {
            std::memcpy(stacked.scanLine(top + y),
                        after.constScanLine(box.Y + y) + static_cast<std::size_t>(box.X) * 4,
                        static_cast<std::size_t>(box.Width) * 4);
        }
        top += box.Height;
    }
    return {EncodePng(stacked), boxes, false};
}
