#pragma once
// Pictures drawn at the screen's own pixels. At 125-200 % display scaling a window of W x H
// logical pixels covers W x H times the scale on the screen; its picture has that many pixels,
// and the painter draws into it in logical units, so text comes out at the scaled size and
// boxes fall on whole device pixels. A picture at 100 % is a plain image, as before.

#include <QImage>
#include <QRect>
#include <QRegion>
#include <QSize>

class QPainter;

/// The device pixels a window of `logical` size covers at `ratio`: rounded up, so the picture
/// never leaves a column of the window undrawn.
QSize DeviceSize(QSize logical, qreal ratio);
/// A black picture for a window of `logical` size at `ratio`.
QImage DevicePicture(QSize logical, qreal ratio);
/// The same picture with nothing drawn: fully transparent, so what is drawn on it keeps the
/// partial alpha of its edges (for a browser source laid over a scene).
QImage ClearPicture(QSize logical, qreal ratio);
/// Fills `area` with the picture's background: black, or nothing on a clear picture.
void FillBackground(QPainter& painter, const QRect& area);
/// The logical size a picture was made for.
QSize LogicalSize(const QImage& picture);
/// True when `picture` already serves a window of `logical` size at `ratio`.
bool PictureFits(const QImage& picture, QSize logical, qreal ratio);

/// The device pixels a logical rectangle's fill covers: its edges rounded as the painter rounds
/// them, so a box of ink in logical units names exactly the pixels drawn.
QRect DeviceRect(const QRect& logical, qreal ratio);

/// Copies `picture` (made at the window's ratio) onto a window's painter within `exposed`,
/// its top left at device pixel `deviceOrigin` of the window: one picture pixel to one screen
/// pixel, never stretched.
void PaintPicture(QPainter& painter, const QRegion& exposed, const QImage& picture,
                  QPoint deviceOrigin = QPoint());
