#pragma once
// Borderless broadcast windows: any point drags the window, the outer 3 pixels resize it, and
// the arrow keys move it (with Shift: resize) one pixel at a time.

#include <QObject>
#include <QPoint>
#include <QRect>

class QWidget;

enum class THit { Caption, Left, Right, Top, Bottom, TopLeft, TopRight, BottomLeft, BottomRight };

/// Where a client point of a borderless window of `width` x `height` falls.
THit FramelessHitTest(int x, int y, int width, int height);

/// The window geometry after an arrow key: without Shift it moves, with Shift it resizes.
/// `key` is a Qt::Key; other keys give nullopt-like `false` in `handled`.
QRect GeometryAfterKey(const QRect& geometry, int key, bool shift, bool& handled);

/// Installs the mouse and key handling on a top-level widget.
class TFramelessFrame : public QObject {
    Q_OBJECT
  public:
    explicit TFramelessFrame(QWidget* window);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool MousePress(QEvent* event);
    bool MouseMove(QEvent* event);

    QWidget* Window;
    THit Dragging = THit::Caption;
    bool ManualDrag = false;
    QPoint PressGlobal;
    QRect PressGeometry;
};
