#include "ui/support/qtplacement.h"

#include "core/app/screenfit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

/// Before a window is first mapped its frame is unknown (the window manager adds it), so a
/// configured outer size can only be applied once the frame margins arrive. Until then the
/// client has the outer size; the first move or resize that knows the frame shrinks it.
class TOuterSizeFitter : public QObject {
  public:
    TOuterSizeFitter(QWidget* window, QSize outer) : QObject(window), Window(window), Outer(outer) {
        window->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (watched == Window && (type == QEvent::Move || type == QEvent::Resize) &&
            Window->windowHandle() != nullptr) {
            const QMargins frame = Window->windowHandle()->frameMargins();
            if (!frame.isNull()) {
                Window->removeEventFilter(this);
                Window->resize(Outer.shrunkBy(frame));
                deleteLater();
            }
        }
        return false;
    }

  private:
    QWidget* Window;
    QSize Outer;
};

std::vector<TWindowBounds> ScreenBounds() {
    std::vector<TWindowBounds> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        screens.push_back({g.x(), g.y(), g.width(), g.height()});
    }
    return screens;
}

} // namespace

void PlaceBesideConsole(QWidget* window, const QWidget* console,
                        const std::vector<const QWidget*>& placed) {
    std::vector<TWindowBounds> taken;
    for (const QWidget* other : placed) {
        taken.push_back(BoundsOf(other));
    }
    const QMargins frame =
        window->windowHandle() != nullptr ? window->windowHandle()->frameMargins() : QMargins();
    const QSize outer = window->size().grownBy(frame);
    const TWindowBounds place =
        PlaceBeside(BoundsOf(console), outer.width(), outer.height(), ScreenBounds(), taken);
    window->move(place.Left, place.Top);
}

void PlaceWindow(QWidget* window, int32_t left, int32_t top, int32_t width, int32_t height) {
    const QMargins frame =
        window->windowHandle() != nullptr ? window->windowHandle()->frameMargins() : QMargins();
    QSize outer = window->size().grownBy(frame);
    if (width != Unset) {
        outer.setWidth(width);
    }
    if (height != Unset) {
        outer.setHeight(height);
    }
    QPoint at = window->pos();
    if (left != Unset) {
        at.setX(left);
    }
    if (top != Unset) {
        at.setY(top);
    }
    const TWindowBounds fitted =
        FitToScreens({at.x(), at.y(), outer.width(), outer.height()}, ScreenBounds());
    if (left != Unset || top != Unset) {
        window->move(fitted.Left, fitted.Top);
    }
    if (width == Unset && height == Unset) {
        return;
    }
    outer = QSize(fitted.Width, fitted.Height);
    window->resize(outer.shrunkBy(frame));
    if (frame.isNull() && !window->windowFlags().testFlag(Qt::FramelessWindowHint)) {
        new TOuterSizeFitter(window, outer);
    }
}

TWindowBounds BoundsOf(const QWidget* window) {
    const QRect g = window->frameGeometry();
    return {g.x(), g.y(), g.width(), g.height()};
}

bool RefitWindow(QWidget* window) {
    if (window == nullptr || !window->isVisible()) {
        return false;
    }
    const TWindowBounds was = BoundsOf(window);
    const TWindowBounds fitted = FitToScreens(was, ScreenBounds());
    if (fitted.Left == was.Left && fitted.Top == was.Top && fitted.Width == was.Width &&
        fitted.Height == was.Height) {
        return false;
    }
    PlaceWindow(window, fitted.Left, fitted.Top, fitted.Width, fitted.Height);
    return true;
}

void WatchScreens(QObject* receiver, std::function<void()> changed) {
    // The system reports a display change as several steps; the windows are fitted once,
    // to where it ends.
    auto* settle = new QTimer(receiver);
    settle->setSingleShot(true);
    settle->setInterval(250);
    QObject::connect(settle, &QTimer::timeout, receiver, std::move(changed));
    const auto watch = [settle](QScreen* screen) {
        QObject::connect(screen, &QScreen::geometryChanged, settle, qOverload<>(&QTimer::start));
        QObject::connect(screen, &QScreen::logicalDotsPerInchChanged, settle,
                         qOverload<>(&QTimer::start));
    };
    for (QScreen* screen : QGuiApplication::screens()) {
        watch(screen);
    }
    auto* app = qobject_cast<QGuiApplication*>(QGuiApplication::instance());
    QObject::connect(app, &QGuiApplication::screenAdded, settle, [settle, watch](QScreen* screen) {
        watch(screen);
        settle->start();
    });
    QObject::connect(app, &QGuiApplication::screenRemoved, settle, qOverload<>(&QTimer::start));
}
