#pragma once
// A picture drawn on no background, laid over black: what the same drawing on the windows'
// black background must look like.

#include <QImage>
#include <QPainter>

inline QImage OverBlack(const QImage& clear) {
    QImage over(clear.size(), QImage::Format_RGB32);
    over.setDevicePixelRatio(clear.devicePixelRatio());
    over.fill(Qt::black);
    QPainter painter(&over);
    painter.drawImage(0, 0, clear);
    painter.end();
    return over;
}
