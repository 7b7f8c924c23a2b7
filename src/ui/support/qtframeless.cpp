#include "ui/support/qtframeless.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace {

constexpr int Edge = 3;

Qt::Edges EdgesOf(THit hit) {
    switch (hit) {
    case THit::Left:
        return Qt::LeftEdge;
    case THit::Right:
        return Qt::RightEdge;
    case THit::Top:
        return Qt::TopEdge;
    case THit::Bottom:
        return Qt::BottomEdge;
    case THit::TopLeft:
        return Qt::TopEdge | Qt::LeftEdge;
    case THit::TopRight:
        return Qt::TopEdge | Qt::RightEdge;
    case THit::BottomLeft:
        return Qt::BottomEdge | Qt::LeftEdge;
    case THit::BottomRight:
        return Qt::BottomEdge | Qt::RightEdge;
    case THit::Caption:
        break;
    }
    return {};
}

Qt::CursorShape CursorOf(THit hit) {
    switch (hit) {
    case THit::Left:
    case THit::Right:
        return Qt::SizeHorCursor;
    case THit::Top:
    case THit::Bottom:
        return Qt::SizeVerCursor;
    case THit::TopLeft:
    case THit::BottomRight:
        return Qt::SizeFDiagCursor;
    case THit::TopRight:
    case THit::BottomLeft:
        return Qt::SizeBDiagCursor;
    case THit::Caption:
        break;
    }
    return Qt::ArrowCursor;
}

} // namespace

THit FramelessHitTest(int x, int y, int width, int height) {
    const bool left = x <= Edge;
    const bool right = x >= width - Edge;
    if (y <= Edge) {
        return left ? THit::TopLeft : (right ? THit::TopRight : THit::Top);
    }
    if (y >= height - Edge) {
        return left ? THit::BottomLeft : (right ? THit::BottomRight : THit::Bottom);
    }
    if (left) {
        return THit::Left;
    }
    if (right) {
        return THit::Right;
    }
    return THit::Caption;
}

QRect GeometryAfterKey(const QRect& geometry, int key, bool shift, bool& handled) {
    handled = true;
    QRect g = geometry;
    switch (key) {
    case Qt::Key_Left:
        shift ? g.setWidth(g.width() - 1) : g.translate(-1, 0);
        break;
    case Qt::Key_Right:
        shift ? g.setWidth(g.width() + 1) : g.translate(1, 0);
        break;
    case Qt::Key_Up:
        shift ? g.setHeight(g.height() - 1) : g.translate(0, -1);
        break;
    case Qt::Key_Down:
        shift ? g.setHeight(g.height() + 1) : g.translate(0, 1);
        break;
    default:
        handled = false;
    }
    return g;
}

TFramelessFrame::TFramelessFrame(QWidget* window) : QObject(window), Window(window) {
    Window->setMouseTracking(true);
    Window->installEventFilter(this);
}

bool TFramelessFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Window) {
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        return MousePress(event);
    case QEvent::MouseMove:
        return MouseMove(event);
    case QEvent::MouseButtonRelease:
        ManualDrag = false;
        return false;
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        bool handled = false;
        const QRect next = GeometryAfterKey(Window->geometry(), key->key(),
                                            key->modifiers().testFlag(Qt::ShiftModifier), handled);
        if (handled) {
            Window->setGeometry(next);
        }
        return handled;
    }
    default:
        return false;
    }
}

bool TFramelessFrame::MousePress(QEvent* event) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) {
        return false;
    }
    const QPoint p = mouse->position().toPoint();
    Dragging = FramelessHitTest(p.x(), p.y(), Window->width(), Window->height());
    QWindow* handle = Window->windowHandle();
    const bool system = handle != nullptr &&
                        (Dragging == THit::Caption ? handle->startSystemMove()
                                                   : handle->startSystemResize(EdgesOf(Dragging)));
    // Without a window manager that moves windows for us, move or resize by hand.
    ManualDrag = !system;
    PressGlobal = mouse->globalPosition().toPoint();
    PressGeometry = Window->geometry();
    return true;
}

bool TFramelessFrame::MouseMove(QEvent* event) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (!ManualDrag || !(mouse->buttons() & Qt::LeftButton)) {
        const QPoint p = mouse->position().toPoint();
        Window->setCursor(
            CursorOf(FramelessHitTest(p.x(), p.y(), Window->width(), Window->height())));
        return false;
    }
    const QPoint delta = mouse->globalPosition().toPoint() - PressGlobal;
    QRect g = PressGeometry;
    const Qt::Edges edges = EdgesOf(Dragging);
    if (Dragging == THit::Caption) {
        g.translate(delta);
    } else {
        if (edges & Qt::LeftEdge)
            g.setLeft(g.left() + delta.x());
        if (edges & Qt::RightEdge)
            g.setRight(g.right() + delta.x());
        if (edges & Qt::TopEdge)
            g.setTop(g.top() + delta.y());
        if (edges & Qt::BottomEdge)
            g.setBottom(g.bottom() + delta.y());
    }
    Window->setGeometry(g.normalized());
    return true;
}
