#include "ui/standings/stats1.h"

#include "core/app/config.h"
#include "core/live/players.h"
#include "ui/support/qtdevicepixels.h"
#include "ui/support/qtframeless.h"
#include "ui/support/qtsupport.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int DesignedWidth = 159;
constexpr int DesignedHeight = 476;
constexpr int DesignedFontPixels = 19;

} // namespace

TFormStats1::TFormStats1(TTowerSources sources, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), Sources(sources),
      LeaderFont(FontWithPixelHeight(HeavySansFamilies(), DesignedFontPixels)) {
    // The picture covers every pixel, so Qt must neither erase nor fill behind it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    // Never drawn (no caption), but capture software and the desktop pick windows by title.
    setWindowTitle("Live Window");
    setFont(FontWithPixelHeight(FixedGothicFamilies(), DesignedFontPixels));
    resize(DesignedWidth, DesignedHeight);
    Picture = DevicePicture(size(), devicePixelRatioF());
    new TFramelessFrame(this);
}

TFormStats1::~TFormStats1() {
    // Told while still whole: QWidget's destructor hides the window when this part is gone.
    emit Going();
}

void TFormStats1::ApplyFont(int points, bool bold) {
    QFont windowFont = font();
    if (SettingBounds("Stats1FontSize").Contains(points)) {
        windowFont.setPixelSize(PointsToPixels(points));
    }
    windowFont.setBold(bold);
    setFont(windowFont);
    Shown.reset();
    if (isVisible()) {
        MeasureColumns();
    }
}

void TFormStats1::SetLeaderFont(const QFont& messageFont) {
    LeaderFont = messageFont;
    Shown.reset();
}

void TFormStats1::SetLogo(const QImage& logo) {
    Logo = logo;
    Shown.reset();
    update();
}

void TFormStats1::RedrawRequest() {
    const int oldLast = static_cast<int>(Rows.size()) - 1;
    // Players may have been replaced since the request was posted; use whatever is current.
    if (Sources.Players) {
        BuildRows(*Sources.Players, Sources.Config.Stats1NameLength, Rows);
    } else {
        Rows.clear();
    }
    if (Sources.Players && Sources.Config.ClassView) {
        BuildClassRows(*Sources.Players, Sources.Config.ClassColors, ClassRows);
    } else {
        ClassRows.clear();
    }
    // Most readings of a race change no more than a few bar colours: only what changed is
    // drawn again, and only that goes to the screen.
    TTowerView view = CurrentView();
    const TTowerChange change = Shown ? CompareViews(*Shown, view) : TTowerChange::All;
    if (change != TTowerChange::All) {
        const std::optional<QRegion> drawn = RedrawChanged(change, view);
        Shown = std::move(view);
        if (drawn) {
            InvalidatedBand = drawn->boundingRect();
            update(*drawn);
            emit PictureChanged();
        }
        return;
    }
    Shown = std::move(view);
    const int last = std::max(oldLast, static_cast<int>(Rows.size()) - 1);
    const int rowHeight = DrawRows(Picture);
    // Full width: best laps and the lap counter are drawn up to the window's edge.
    InvalidatedBand = QRect(0, 5, width(), (last + 1) * rowHeight + 1);
    update(InvalidatedBand);
    emit PictureChanged();
}

void TFormStats1::MeasureColumns() {
    const QFontMetrics metrics(font());
    Digits = metrics.horizontalAdvance(QStringLiteral("##"));
    PosColumn = Digits * 5 / 4;
    const int length = SettingBounds("Stats1NameLength").Clamp(Sources.Config.Stats1NameLength);
    NameColumn = length > 0 ? metrics.horizontalAdvance(QString(length, QLatin1Char('#'))) + 2 : 2;
    ResizeStep();
}

std::optional<QRegion> TFormStats1::RedrawChanged(TTowerChange change, const TTowerView& next) {
    switch (change) {
    case TTowerChange::Bars:
        return QRegion(RedrawBars(Picture));
    case TTowerChange::BestLaps:
        return RedrawBestLaps(Picture, ChangedBestLapRows(*Shown, next));
    case TTowerChange::None:
    case TTowerChange::All:
        break;
    }
    return std::nullopt;
}

TTowerView TFormStats1::CurrentView() const {
    TTowerView view;
    view.Rows = Rows;
    const TGameSession* session = Sources.Players ? &Sources.Players->GameSession() : nullptr;
    view.Race = session != nullptr && session->Session == TSessionKind::Race;
    view.LengthLaps = session != nullptr ? session->LengthLaps : 0;
    view.InPitColour = Sources.Config.Stats1FontInPitColor;
    view.DrawMinutes = Sources.Config.Stats1DrawMinutes;
    view.ClassView = Sources.Config.ClassView;
    view.Classes = ClassRows;
    return view;
}

void TFormStats1::ResizeStep() {
    Shown.reset();
    if (!PictureFits(Picture, size(), devicePixelRatioF())) {
        Picture = DevicePicture(size(), devicePixelRatioF());
    }
    DrawRows(Picture);
    update();
    emit PictureChanged();
}

bool TFormStats1::event(QEvent* event) {
    if (event->type() == EventRedraw) {
        RedrawRequest();
        return true;
    }
    // Moved to a screen of another scaling, or the screen's scaling changed: the picture is
    // drawn again at the new resolution rather than stretched.
    if (event->type() == QEvent::ScreenChangeInternal && isVisible() &&
        !PictureFits(Picture, size(), devicePixelRatioF())) {
        ResizeStep();
    }
    return QWidget::event(event);
}

void TFormStats1::paintEvent(QPaintEvent* event) {
    if (!PictureFits(Picture, size(), devicePixelRatioF())) {
        // A change of scaling that came without its own event; drawn now, shown at once.
        Shown.reset();
        Picture = DevicePicture(size(), devicePixelRatioF());
        DrawRows(Picture);
        emit PictureChanged();
    }
    QPainter painter(this);
    PaintPicture(painter, event->region(), Picture);
}

void TFormStats1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    MeasureColumns();
    emit ShownChanged();
}

void TFormStats1::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit ShownChanged();
}

void TFormStats1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ResizeStep();
}
