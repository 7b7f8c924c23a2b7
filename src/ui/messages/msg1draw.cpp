// The message window's drawing: event boxes with number-box markup, the status line and the
// ranking strip.

#include "ui/messages/msg1.h"

#include "core/live/players.h"
#include "core/messages/markup.h"
#include "core/messages/raceevent.h"
#include "core/messages/statusline.h"
#include "ui/support/qtdevicepixels.h"
#include "ui/support/qtsupport.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <string_view>

namespace {

const QColor StripBlue(42, 112, 255);

/// Transparent, one line, "&" as itself; text may run past its rectangle as on the desktop.
constexpr int LineFlags = Qt::TextSingleLine | Qt::TextDontClip;

/// A rectangle given by its edges, right and bottom exclusive.
QRect Edges(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

void DrawLine(QPainter& painter, const QRect& rect, int align, const QColor& color,
              const QString& text) {
    painter.setPen(color);
    painter.drawText(rect, align | Qt::AlignVCenter | LineFlags, text);
}

} // namespace

QFont TFormMsg1::NoticeFont() const {
    QFont enlarged = font();
    enlarged.setPixelSize(PointsToPixels(FontPoints + 2));
    return enlarged;
}

int TFormMsg1::RenderEvent(QPainter* painter, const TRaceEvent& event, int x, bool draw) const {
    const QFontMetrics metrics(font());
    const auto textWidth = [&metrics](std::string_view text) {
        return metrics.horizontalAdvance(ToQString(text));
    };
    const QString title = ToQString(event.Title);
    const int titleWidth = title.isEmpty() ? 0 : metrics.horizontalAdvance(" " + title + " ");
    const std::vector<TMarkupStretch> stretches = ParseMarkup(event.Text);
    const TMarkupLayout layout = LayoutMarkup(stretches, textWidth);
    const int advance = 5 + titleWidth + layout.Width + textWidth("#");
    if (!draw || painter == nullptr) {
        return advance;
    }

    const int lineHeight = LineHeight();
    const int left = x + 5;
    const int top = 2;
    const int bottom = top + lineHeight;
    painter->save();
    painter->setFont(font());
    const QRect box = Edges(left, top, left + titleWidth + layout.Width, bottom);
    painter->fillRect(box, Qt::white);
    if (titleWidth > 0) {
        DrawLine(*painter, Edges(left, top, left + titleWidth, bottom), Qt::AlignHCenter, Qt::red,
                 title);
    }
    const int boxWidth = textWidth("###");
    const int inset = lineHeight / 10;
    for (std::size_t i = 0; i < stretches.size(); ++i) {
        const TMarkupStretch& stretch = stretches[i];
        const int from = left + titleWidth + layout.Left[i];
        const QString text = ToQString(stretch.Text);
        if (!stretch.Box) {
            DrawLine(*painter, Edges(from, top, from + textWidth(stretch.Text), bottom),
                     Qt::AlignLeft, Qt::black, text);
            continue;
        }
        painter->fillRect(Edges(from, top + inset, from + boxWidth, bottom - inset),
                          stretch.IsOne ? Qt::red : Qt::black);
        DrawLine(*painter, Edges(from, top, from + boxWidth, bottom), Qt::AlignHCenter, Qt::white,
                 text);
    }
    painter->restore();
    return advance;
}

void TFormMsg1::DrawStatusLine() {
    LineDirty = true;
    PaintStatusLine(StatusImage);
}

void TFormMsg1::PaintStatusLine(QImage& surface) const {
    if (surface.isNull()) {
        return;
    }
    // Every device pixel, the last column at a fractional scale included.
    surface.fill(surface.hasAlphaChannel() ? Qt::transparent : Qt::black);
    QPainter painter(&surface);
    painter.setFont(NoticeFont());
    const TStatusTexts texts = StatusTexts(Sources.Players.get(), Notice);
    // The notice keeps one space clear of the right edge.
    const int right =
        LogicalSize(surface).width() - QFontMetrics(painter.font()).horizontalAdvance(' ');
    const QRect line = Edges(0, 0, std::max(0, right), LineHeight());
    DrawLine(painter, line, Qt::AlignRight, ToQColor(texts.NoticeColor), ToQString(texts.Notice));
    if (!texts.Left.empty()) {
        DrawLine(painter, line, Qt::AlignLeft, ToQColor(texts.LeftColor), ToQString(texts.Left));
    }
}

void TFormMsg1::BuildRankingBitmap() {
    int x = 4;
    for (int i = 0; i < Sources.Ranking.Count(); ++i) {
        x += RenderEvent(nullptr, Sources.Ranking.Items(i), x, false);
    }
    // Five window widths at least, and as wide as the entries, so a long ranking scrolls in
    // full rather than into black; a bound on its device pixels keeps an absurd list from
    // costing gigabytes.
    const int fiveWidths = 5 * width();
    const int deviceHeight = std::max(1, DeviceSize(size(), Scale).height());
    const int deviceBound = std::min(MaxStripWidth, MaxStripPixels / deviceHeight);
    const int bound = std::max(fiveWidths, static_cast<int>(deviceBound / Scale));
    const int stripLength = std::min(std::max(fiveWidths, x), bound);
    StripWidth = DeviceSize(QSize(std::min(x, stripLength), 0), Scale).width();
    RankingImage = DevicePicture(QSize(stripLength, height()), Scale);
    // With nothing to draw on, the strip's length still decides when it ends.
    PaintRanking(RankingImage);
}

void TFormMsg1::PaintRanking(QImage& surface) const {
    if (surface.isNull()) {
        return;
    }
    QPainter painter(&surface);
    int x = 4;
    for (int i = 0; i < Sources.Ranking.Count(); ++i) {
        x += RenderEvent(&painter, Sources.Ranking.Items(i), x, true);
    }
    const int lineHeight = LineHeight();
    const int stripLength = LogicalSize(surface).width();
    painter.fillRect(Edges(5, 2, 9, lineHeight + 2), StripBlue);
    painter.fillRect(Edges(5, lineHeight + 1, stripLength, lineHeight + 3), StripBlue);
}

QImage TFormMsg1::ClearRankingBitmap() const {
    // At the strip's own ratio: the offsets the pages get are its device pixels.
    QImage clear = ClearPicture(LogicalSize(RankingImage), RankingImage.devicePixelRatio());
    PaintRanking(clear);
    return clear;
}

QImage TFormMsg1::ComposeLine(bool clear) const {
    QImage line = clear ? ClearPicture(size(), Scale) : DevicePicture(size(), Scale);
    if (line.isNull()) {
        return line;
    }
    if (clear) {
        PaintStatusLine(line);
    }
    QPainter painter(&line);
    if (!clear) {
        painter.drawImage(0, 0, StatusImage);
    }
    int x = 0;
    for (int i = 0; i < Sources.Events.Count(); ++i) {
        const TRaceEvent& event = Sources.Events.Items(i);
        if (event.Shown) {
            x += RenderEvent(&painter, event, x, true);
        }
    }
    return line;
}

void TFormMsg1::PaintStrip(QPainter& painter, const QRegion& exposed, const QImage& strip) const {
    // The device columns under the exposed area, taken from the strip ScrollOffset further on;
    // beyond the strip's end the copy is black.
    const QRect logical = exposed.boundingRect();
    const int left = static_cast<int>(std::floor(logical.left() * Scale));
    const int right = static_cast<int>(std::ceil((logical.right() + 1) * Scale));
    const QRect columns(left, 0, right - left, DeviceSize(size(), Scale).height());
    QImage part = strip.copy(columns.translated(Offset, 0));
    if (part.isNull()) {
        FillBackground(painter, logical);
        return;
    }
    part.setDevicePixelRatio(Scale);
    PaintPicture(painter, exposed, part, columns.topLeft());
}

QImage TFormMsg1::Composite(bool clear) const {
    if (!RankingOn) {
        return ComposeLine(clear);
    }
    QImage shown = clear ? ClearPicture(size(), Scale) : DevicePicture(size(), Scale);
    if (shown.isNull()) {
        return shown;
    }
    QPainter painter(&shown);
    if (clear) {
        // Copied as it is, so the strip's own transparency is kept, not laid over black.
        painter.setCompositionMode(QPainter::CompositionMode_Source);
    }
    PaintStrip(painter, QRegion(rect()), clear ? ClearRankingBitmap() : RankingImage);
    return shown;
}
