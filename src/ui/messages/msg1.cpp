#include "ui/messages/msg1.h"

#include "core/app/config.h"
#include "core/messages/raceevent.h"
#include "core/messages/scrolltimer.h"
#include "core/platform/freememory.h"
#include "ui/support/qtdevicepixels.h"
#include "ui/support/qtframeless.h"
#include "ui/support/qtsupport.h"

#include <QFontInfo>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <system_error>

namespace {

constexpr int DesignWidth = 569;
constexpr int DesignHeight = 77;
constexpr int DesignPoints = 14;
constexpr int PageMs = 1000;
/// The strip's speed in logical pixels; it moves one device pixel a tick, so at 150 % it ticks
/// 150 times a second.
constexpr double ScrollPixelsPerSecond = 100.0;
/// Ticks of Timer1 the strip stands still before it scrolls.
constexpr int StillTicks = 5;

bool AnyShown(const TRaceEventList& list) {
    for (int i = 0; i < list.Count(); ++i) {
        if (list.Items(i).Shown) {
            return true;
        }
    }
    return false;
}

} // namespace

TFormMsg1::TFormMsg1(TTickerSources sources, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), Sources(sources) {
    // All pixels come from our own images, so Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setWindowTitle("Message Window");
    setFocusPolicy(Qt::StrongFocus);
    QFont designFont = FontWithPixelHeight(HeavySansFamilies(), PointsToPixels(DesignPoints));
    designFont.setWeight(QFont::Black);
    setFont(designFont);
    resize(DesignWidth, DesignHeight);
    new TFramelessFrame(this);

    Timer1 = new QTimer(this);
    connect(Timer1, &QTimer::timeout, this, &TFormMsg1::Timer1Timer);
    Timer1->start(PageMs);
    // A hidden window gets its first resize event only when shown; the status line is needed
    // before that.
    FormResize();
}

TFormMsg1::~TFormMsg1() {
    // Told while still whole: QWidget's destructor hides the window when this part is gone.
    emit Going();
    StopScroll();
}

void TFormMsg1::SetNotice(const QString& text) {
    Notice = ToBytes(text);
}

void TFormMsg1::ApplyFontSize(int points) {
    if (!SettingBounds("MsgFontSize").Contains(points)) {
        return;
    }
    FontPoints = points;
    QFont sized = font();
    sized.setPixelSize(PointsToPixels(points));
    setFont(sized);
    RefreshStatus();
}

void TFormMsg1::SetRankingMode(bool on) {
    if (on == RankingOn) {
        return;
    }
    RankingOn = on;
    if (on) {
        Offset = 0;
        BuildRankingBitmap();
        DelayTicks = StillTicks;
    } else {
        StopScroll();
        // A strip is megabytes; it is drawn afresh at each request, so it goes now.
        RankingImage = QImage();
        ReturnFreeMemory();
    }
    Invalidate();
    emit RankingModeChanged();
}

void TFormMsg1::RefreshStatus() {
    DrawStatusLine();
    Invalidate();
}

void TFormMsg1::ScrollStep() {
    if (!RankingOn) {
        return;
    }
    ++Offset;
    if (Offset >= StripEndOffset()) {
        SetRankingMode(false);
    }
}

void TFormMsg1::ScrollTick() {
    if (!RankingOn || !ScrollThread) {
        return;
    }
    ScrollStep();
    // At the strip's end the whole window was invalidated already. A device pixel is a
    // logical one only at 100 %; otherwise the window is painted afresh from the strip.
    if (RankingOn) {
        if (Scale == 1.0) {
            scroll(-1, 0);
        } else {
            update();
        }
    }
}

int TFormMsg1::LineHeight() const {
    int pixels = font().pixelSize();
    if (pixels <= 0) {
        pixels = QFontInfo(font()).pixelSize();
    }
    return pixels * 145 / 100;
}

int TFormMsg1::DrawEvent(QPainter* painter, const TRaceEvent& event, int x, bool draw) {
    return RenderEvent(painter, event, x, draw);
}

void TFormMsg1::Timer1Timer() {
    if (RankingOn) {
        // The queue is frozen while the strip is shown: nothing ages, nothing pages.
        if (DelayTicks > 0 && --DelayTicks == 0) {
            StartScroll();
        }
        return;
    }
    bool changed = Sources.Events.ExpireShown();
    if (!AnyShown(Sources.Events) && TakePage()) {
        changed = true;
    }
    if (changed) {
        Invalidate();
    }
}

bool TFormMsg1::TakePage() {
    const int count = Sources.Events.Count();
    if (count == 0) {
        return false;
    }
    const int limit = width() - 10;
    int used = 0;
    int longest = 0;
    for (int i = 0; i < count; ++i) {
        TRaceEvent& event = Sources.Events.Items(i);
        const int advance = RenderEvent(nullptr, event, 0, false);
        // The first event is always taken, so one wider than the window still shows, cut.
        if (i > 0 && used + advance > limit) {
            break;
        }
        used += advance;
        event.Shown = true;
        longest = std::max(longest, event.Remaining);
    }
    // The page goes as one, and a waiting event keeps that time for its own page.
    if (longest > 0) {
        for (int i = 0; i < count; ++i) {
            Sources.Events.Items(i).Remaining = longest;
        }
    }
    return true;
}

void TFormMsg1::StartScroll() {
    if (ScrollThread || !RankingOn) {
        return;
    }
    try {
        // The thread is joined before this window goes (StopScroll in the destructor), so it
        // never posts to a window that is gone.
        const auto interval =
            std::chrono::microseconds(std::lround(1e6 / (ScrollPixelsPerSecond * Scale)));
        ScrollThread = std::make_unique<TScrollTimerThread>(
            interval, [this] { PostMessage(this, EventScrollTick); });
        emit ScrollStarted();
    } catch (const std::system_error&) {
        // Without a thread the strip would stand forever; give the event line back instead.
        SetRankingMode(false);
    }
}

void TFormMsg1::StopScroll() {
    ScrollThread.reset();
}

bool TFormMsg1::event(QEvent* event) {
    if (event->type() == EventScrollTick) {
        ScrollTick();
        return true;
    }
    if (event->type() == QEvent::ScreenChangeInternal) {
        AdoptScale();
    }
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide) {
        emit ShownChanged();
    }
    return handled;
}

void TFormMsg1::paintEvent(QPaintEvent* event) {
    AdoptScale();
    QPainter painter(this);
    if (RankingOn) {
        PaintStrip(painter, event->region(), RankingImage);
        return;
    }
    if (LineDirty || !PictureFits(LineImage, size(), Scale)) {
        LineImage = ComposeLine();
        LineDirty = false;
    }
    PaintPicture(painter, event->region(), LineImage);
}

void TFormMsg1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

void TFormMsg1::FormResize() {
    if (PictureFits(StatusImage, size(), devicePixelRatioF())) {
        return;
    }
    Scale = devicePixelRatioF();
    StatusImage = DevicePicture(size(), Scale);
    DrawStatusLine();
    emit PictureChanged();
}

void TFormMsg1::AdoptScale() {
    const qreal previous = Scale;
    if (devicePixelRatioF() == previous) {
        return;
    }
    FormResize();
    if (RankingOn) {
        // The strip is drawn again at the new resolution and keeps its place in it.
        BuildRankingBitmap();
        Offset = static_cast<int>(std::lround(Offset * Scale / previous));
        if (ScrollThread) {
            StopScroll();
            StartScroll();
        }
    }
    Invalidate();
}

void TFormMsg1::Invalidate() {
    LineDirty = true;
    update();
    emit PictureChanged();
}
