// The tower's picture: names, interval bars or best laps, position marks and the logo.

#include "core/app/config.h"
#include "core/live/laptime.h"
#include "core/live/players.h"
#include "ui/standings/stats1.h"
#include "ui/support/qtdevicepixels.h"
#include "ui/support/qtsupport.h"

#include <QFontMetrics>
#include <QPainter>

#include <cmath>
#include <string>

namespace {

const QColor Black(0, 0, 0);
const QColor White(255, 255, 255);
const QColor Silver(192, 192, 192);
const QColor Red(255, 0, 0);
const QColor Blue(0, 0, 255);
const QColor Yellow(255, 255, 0);

constexpr int CellText = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
constexpr int CentredText = Qt::AlignCenter | Qt::TextSingleLine;

/// Where everything goes: the client area less 3 pixels all round and 2 more at the top,
/// cut into rows of `R` pixels and the columns measured when the window was shown.
struct TLayout {
    int Left = 3;
    int Top = 5;
    int Bottom = 0; // exclusive
    int R = 0;
    int Pos = 0;
    int Name = 0;
    int Digits = 0;
    /// The name colour of a car in the pits, and whether best laps show their minutes.
    QColor InPitText;
    bool DrawMinutes = true;

    int RowTop(int i) const { return Top + i * R; }
    QRect NameCell(int i) const { return QRect(Left + Pos + 3, RowTop(i), Name, R); }
    int BarLeft() const { return Left + Pos + Name + 6; }
    int BestLapLeft() const { return Left + Pos + Name + 7; }
    int PitLeft() const { return Left + Pos + 2 + 2 * Name + Digits / 2; }
    QRect MarkBox(int i) const { return QRect(Left, RowTop(i) + 1, Pos, R - 3); }
};

/// Draws a text in its rectangle (clipped to it), then once more a pixel lower: a thicker
/// stroke that reads better once the picture is scaled into a video.
void DrawThickText(QPainter& painter, const QRect& rect, const QString& text) {
    painter.drawText(rect, CellText, text);
    painter.drawText(rect.translated(0, 1), CellText, text);
}

void DrawSeparator(QPainter& painter, const TLayout& layout, int i) {
    if (i == 0 || i % 5 != 0) {
        return;
    }
    const QRect cell = layout.NameCell(i);
    const int left = layout.Left + 1;
    painter.fillRect(QRect(left, cell.top() - 2, cell.left() + cell.width() - left, 2),
                     i % 10 == 0 ? White : Silver);
}

void DrawName(QPainter& painter, const TLayout& layout, int i, const TStats1Data& row) {
    DrawSeparator(painter, layout, i);
    const QRect cell = layout.NameCell(i);
    QColor text = White;
    if ((row.Marks & mkFinished) != 0) {
        painter.fillRect(cell, Blue);
    } else if ((row.Marks & (mkDnf | mkDq)) != 0) {
        painter.fillRect(cell, White);
        text = Black;
    } else if ((row.Marks & mkInPits) != 0) {
        text = layout.InPitText;
    }
    painter.setPen(text);
    DrawThickText(painter, cell, ToQString(row.Name));
}

/// Each bar straddles the line between a driver and the car ahead and is coloured by the gap.
void DrawIntervalBars(QPainter& painter, const TLayout& layout,
                      const std::vector<TStats1Data>& rows) {
    if (rows.empty() || rows[0].Laps <= 0) {
        return;
    }
    const int width = layout.Digits / 3;
    const int height = layout.R - layout.R / 7;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        if ((rows[i].Marks & (mkFinished | mkDnf | mkDq)) != 0) {
            continue;
        }
        const int top = layout.RowTop(static_cast<int>(i)) - layout.R / 2 - 1;
        painter.fillRect(QRect(layout.BarLeft(), top, width, height),
                         ToQColor(rows[i].IntervalColor));
    }
}

/// Without `stops` (the class view, whose gaps run into this column) only the lap counter.
void DrawPitStops(QPainter& painter, const TLayout& layout, const std::vector<TStats1Data>& rows,
                  int lengthLaps, bool stops = true) {
    painter.setPen(White);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        QString text;
        if (stops && rows[i].Pitstops != 0) {
            text = QStringLiteral(" %1").arg(rows[i].Pitstops);
        }
        if (i == 0) {
            text += QStringLiteral(" [%1/%2]").arg(rows[0].Laps).arg(lengthLaps);
        }
        if (text.isEmpty()) {
            continue;
        }
        const QRect cell(layout.PitLeft(), layout.RowTop(static_cast<int>(i)), 2 * layout.Name,
                         layout.R);
        DrawThickText(painter, cell, text);
    }
}

std::string BestLapText(const TStats1Data& row, bool drawMinutes) {
    std::string text;
    if (row.BestLap > 0) {
        text = LapTimeText(static_cast<float>(row.BestLap));
        const std::size_t colon = text.find(':');
        if (!drawMinutes && colon != std::string::npos) {
            text.erase(0, colon);
        }
    }
    if (row.TimedLap) {
        text += " A" + std::to_string(row.LapTenths);
    }
    return text;
}

/// A text per row in the column right of the names (best laps, or class gaps), not clipped: a
/// long text runs on to the window's edge. `only`, when given, names the rows to draw.
void DrawTextColumn(QPainter& painter, const TLayout& layout, const std::vector<std::string>& texts,
                    const std::vector<bool>* only = nullptr) {
    painter.setPen(White);
    const int ascent = QFontMetrics(painter.font()).ascent();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (only != nullptr && !(*only)[i]) {
            continue;
        }
        const std::string& text = texts[i];
        if (text.empty()) {
            continue;
        }
        const QString shown = QString::fromStdString(text);
        const int baseline = layout.RowTop(static_cast<int>(i)) + ascent;
        painter.drawText(layout.BestLapLeft(), baseline, shown);
        painter.drawText(layout.BestLapLeft(), baseline + 1, shown);
    }
}

void DrawBestLaps(QPainter& painter, const TLayout& layout, const std::vector<TStats1Data>& rows,
                  const std::vector<bool>* only = nullptr) {
    std::vector<std::string> texts;
    texts.reserve(rows.size());
    for (const TStats1Data& row : rows) {
        texts.push_back(BestLapText(row, layout.DrawMinutes));
    }
    DrawTextColumn(painter, layout, texts, only);
}

/// The class view's column: the gap to the class leader, the class's name on its leader's row.
/// The first row's text stops short of the lap counter.
void DrawClassGaps(QPainter& painter, const TLayout& layout, const std::vector<TClassRow>& rows) {
    std::vector<std::string> texts;
    texts.reserve(rows.size());
    for (const TClassRow& row : rows) {
        texts.push_back(ClassRowText(row));
    }
    std::vector<bool> first(texts.size(), false);
    if (!first.empty()) {
        first[0] = true;
        painter.save();
        painter.setClipRect(QRect(0, 0, layout.PitLeft(), layout.RowTop(1)));
        DrawTextColumn(painter, layout, texts, &first);
        painter.restore();
        first.flip();
    }
    DrawTextColumn(painter, layout, texts, &first);
}

/// The class view's position mark: the class's colour with the place in the class, in black or
/// white, whichever reads better on it.
void DrawClassMark(QPainter& painter, const TLayout& layout, int i, const TClassRow& row) {
    const QColor colour = ToQColor(row.Colour);
    const QRect box = layout.MarkBox(i);
    painter.fillRect(box, colour);
    const int luma = (299 * colour.red() + 587 * colour.green() + 114 * colour.blue()) / 1000;
    painter.setPen(luma > 140 ? Black : White);
    painter.drawText(box.translated(0, 1), CentredText, QString::number(row.Position));
}

/// "!" on yellow for a slow car, narrowed by Round(PosColumnWidth / 9) on each side.
void DrawSlowMark(QPainter& painter, const TLayout& layout, int i) {
    const int inset = static_cast<int>(std::nearbyint(layout.Pos / 9.0));
    const QRect box = layout.MarkBox(i).adjusted(inset, 0, -inset, 0);
    painter.fillRect(box, Yellow);
    painter.setPen(Black);
    painter.drawText(box.translated(0, 1), CentredText, QStringLiteral("!"));
    painter.drawText(box.translated(1, 1), CentredText, QStringLiteral("!"));
}

/// The position marks; returns true when row `i` got the leader's red box.
bool DrawPositionMark(QPainter& painter, const TLayout& layout, int i, uint16_t marks) {
    if ((marks & mkSlow) != 0) {
        DrawSlowMark(painter, layout, i);
        return false;
    }
    QString glyph;
    QColor colour = White;
    if ((marks & mkGained) != 0) {
        glyph = QString(QChar(0x25B2));
        colour = Red;
    } else if ((marks & mkLost) != 0) {
        glyph = QString(QChar(0x25BC));
        colour = Blue;
    } else if ((marks & mkBestImproved) != 0) {
        glyph = QStringLiteral(" ");
    } else if (i == 0) {
        painter.fillRect(layout.MarkBox(i), Red);
        return true;
    } else {
        return false;
    }
    const QRect box(layout.Left + (layout.Pos - layout.Digits) / 2, layout.RowTop(i) + 1,
                    layout.Digits, layout.R - 3);
    painter.fillRect(box, White);
    painter.setPen(colour);
    painter.drawText(box, CentredText, glyph);
    return false;
}

void DrawLeaderNumber(QPainter& painter, const TLayout& layout, QFont leaderFont, int pixelHeight) {
    leaderFont.setPixelSize(pixelHeight);
    painter.setFont(leaderFont);
    painter.setPen(White);
    painter.drawText(QRect(layout.Left, layout.Top + 1, layout.Pos, layout.R - 4), CentredText,
                     QStringLiteral("1"));
}

/// The measured column widths: position, name and two digits.
struct TColumns {
    int Pos;
    int Name;
    int Digits;
};

TLayout MakeLayout(const QImage& surface, const QFont& font, TColumns columns,
                   const TKestruneConfig& config) {
    TLayout layout;
    layout.Bottom = LogicalSize(surface).height() - 3;
    layout.R = 3 + font.pixelSize();
    layout.Pos = columns.Pos;
    layout.Name = columns.Name;
    layout.Digits = columns.Digits;
    layout.InPitText = ToQColor(config.Stats1FontInPitColor);
    layout.DrawMinutes = config.Stats1DrawMinutes;
    return layout;
}

QPoint LogoPlace(const TLayout& layout, const QImage& logo) {
    return QPoint(layout.Left, layout.Bottom - 1 - logo.height());
}

/// The logo at its own size in logical pixels; at display scaling it is smoothed rather than
/// stretched by whole pixels, as the text around it is drawn at the screen's resolution.
void DrawLogo(QPainter& painter, const TLayout& layout, const QImage& logo) {
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(LogoPlace(layout, logo), logo);
    painter.restore();
}

} // namespace

int TFormStats1::DrawRows(QImage& surface) const {
    const QFont windowFont = font();
    const TLayout layout =
        MakeLayout(surface, windowFont, {PosColumn, NameColumn, Digits}, Sources.Config);
    if (surface.isNull()) {
        return layout.R;
    }

    QPainter painter(&surface);
    FillBackground(painter, QRect(QPoint(), LogicalSize(surface)));
    painter.setFont(windowFont);
    for (std::size_t i = 0; i < Rows.size(); ++i) {
        DrawName(painter, layout, static_cast<int>(i), Rows[i]);
    }

    // The class view's rows are the same cars; should they ever differ, the tower is drawn
    // overall rather than with another car's class.
    const bool classView = Sources.Config.ClassView && ClassRows.size() == Rows.size();
    const TGameSession* session = Sources.Players ? &Sources.Players->GameSession() : nullptr;
    if (session != nullptr && session->Session == TSessionKind::Race) {
        // A bar compares a car with the one above, which in the class view may race in
        // another class: the gap within the class is written instead.
        if (classView) {
            DrawClassGaps(painter, layout, ClassRows);
        } else {
            DrawIntervalBars(painter, layout, Rows);
        }
        DrawPitStops(painter, layout, Rows, session->LengthLaps, !classView);
    } else {
        DrawBestLaps(painter, layout, Rows);
    }

    // The marks are glyphs, never bold, whatever the names use.
    QFont markFont = windowFont;
    markFont.setBold(false);
    painter.setFont(markFont);
    bool leaderBox = false;
    for (std::size_t i = 0; i < Rows.size(); ++i) {
        const int row = static_cast<int>(i);
        if (classView && (Rows[i].Marks & mkSlow) == 0) {
            DrawClassMark(painter, layout, row, ClassRows[i]);
            continue;
        }
        leaderBox |= DrawPositionMark(painter, layout, row, Rows[i].Marks);
    }
    if (leaderBox) {
        DrawLeaderNumber(painter, layout, LeaderFont, windowFont.pixelSize());
    }

    if (!Logo.isNull()) {
        DrawLogo(painter, layout, Logo);
    }
    return layout.R;
}

QImage TFormStats1::ClearBitmap() const {
    QImage clear = ClearPicture(LogicalSize(Picture), Picture.devicePixelRatio());
    DrawRows(clear);
    return clear;
}

QRect TFormStats1::RedrawBars(QImage& surface) {
    const TLayout layout =
        MakeLayout(surface, font(), {PosColumn, NameColumn, Digits}, Sources.Config);
    // Nothing else is drawn in the bars' column but the logo, which is drawn again over them.
    const QRect column(layout.BarLeft(), 0, layout.Digits / 3, LogicalSize(surface).height());
    QPainter painter(&surface);
    painter.setClipRect(column);
    FillBackground(painter, column);
    DrawIntervalBars(painter, layout, Rows);
    if (!Logo.isNull()) {
        DrawLogo(painter, layout, Logo);
    }
    return column;
}

QRegion TFormStats1::RedrawBestLaps(QImage& surface, const std::vector<bool>& changed) {
    const TLayout layout =
        MakeLayout(surface, font(), {PosColumn, NameColumn, Digits}, Sources.Config);
    // A text reaches a pixel or two into the next row (it is drawn twice, a pixel apart), so a
    // changed row's band and the next one's are drawn again, with every text that can reach
    // them. Left of the column lie two pixels of the gap after the names, which no name reaches.
    const int left = layout.BestLapLeft() - 2;
    QRegion area;
    std::vector<bool> drawn(Rows.size(), false);
    for (std::size_t i = 0; i < changed.size() && i < Rows.size(); ++i) {
        if (!changed[i]) {
            continue;
        }
        area += QRect(left, layout.RowTop(static_cast<int>(i)), LogicalSize(surface).width() - left,
                      2 * layout.R);
        for (std::size_t k = i > 0 ? i - 1 : 0; k <= i + 2 && k < Rows.size(); ++k) {
            drawn[k] = true;
        }
    }
    QPainter painter(&surface);
    painter.setClipRegion(area);
    FillBackground(painter, area.boundingRect());
    painter.setFont(font());
    DrawBestLaps(painter, layout, Rows, &drawn);
    if (!Logo.isNull()) {
        DrawLogo(painter, layout, Logo);
    }
    return area;
}
