#pragma once
// The standings tower: a borderless window that draws its rows into an off-screen image and
// only ever copies that image to the screen, so a capture of it never flickers.

#include "core/app/config.h"
#include "core/live/players.h"
#include "core/standings/rows.h"

#include <QFont>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

/// What the tower draws: the records (replaced at a new session, so the holder is given) and
/// the configuration (name length, in-pit colour, minutes of best laps).
struct TTowerSources {
    const std::unique_ptr<TPlayers>& Players;
    const TKestruneConfig& Config;
};

class TFormStats1 : public QWidget {
    Q_OBJECT
  public:
    /// A hidden, borderless top-level window of 159 x 476 client pixels with the fixed-pitch
    /// gothic font 19 pixels high; dragging, edge resizing and the arrow keys come with it.
    explicit TFormStats1(TTowerSources sources, QWidget* parent = nullptr);
    ~TFormStats1() override;

    /// The configured font: a size of 9..32 points becomes points x 96 / 72 pixels, anything
    /// else keeps the current size; bold when `bold`, regular otherwise. A shown window is
    /// measured and drawn again at once.
    void ApplyFont(int points, bool bold);
    /// The message window's font: its face and style draw the leader's "1", at the size of this
    /// window's font.
    void SetLeaderFont(const QFont& messageFont);
    /// The logo (an empty image for none). The screen is repainted from the existing picture;
    /// the logo itself appears with the next drawing of the rows.
    void SetLogo(const QImage& logo);

    /// The redraw request: rebuilds Rows from Players, draws them and invalidates only the band
    /// of rows, as long as the longer of the old and the new list, so vanished rows are wiped.
    void RedrawRequest();
    /// Measures the columns from the window font and Stats1NameLength, then sizes and redraws
    /// the picture (without rebuilding the rows). Runs each time the window is shown.
    void MeasureColumns();
    /// Draws Rows onto `surface` (its background, black or none on a clear picture; names, bars
    /// or best laps, position marks, logo) and returns the row height.
    int DrawRows(QImage& surface) const;

    /// The rows, index 0 = leader.
    std::vector<TStats1Data> Rows;
    /// The same cars' classes, in the class view only.
    std::vector<TClassRow> ClassRows;

    /// Width of "##" in the window font; 0 until first measured.
    int DigitsWidth() const { return Digits; }
    /// Trunc(1.25 x DigitsWidth): the position column.
    int PosColumnWidth() const { return PosColumn; }
    /// Width of Stats1NameLength "#" characters + 2: the name column.
    int NameColumnWidth() const { return NameColumn; }
    /// The picture of the whole client area.
    const QImage& Bitmap() const { return Picture; }
    /// The same rows drawn on no background, for a page laid over a scene: the edges of the
    /// texts keep their partial alpha instead of their blend with black.
    QImage ClearBitmap() const;
    /// The area the last redraw request invalidated (for checking partial updates).
    QRect LastInvalidatedBand() const { return InvalidatedBand; }

  signals:
    /// The picture was drawn again (it may look the same).
    void PictureChanged();
    /// The window was shown or hidden, by a command, the first idle step or the system.
    void ShownChanged();
    /// The window is being destroyed: whoever holds it lets go now.
    void Going();

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    /// Sizes the picture to the client area, draws the current rows and repaints it all once.
    void ResizeStep();
    TTowerView CurrentView() const;
    /// Draws again the part of the picture a None, Bars or BestLaps change touches; nullopt
    /// when nothing needs drawing.
    std::optional<QRegion> RedrawChanged(TTowerChange change, const TTowerView& next);
    /// Draws the race's interval bars again, and nothing else; returns the area drawn.
    QRect RedrawBars(QImage& surface);
    /// Draws the best-lap texts of the `changed` rows again, with what they overlap; returns
    /// the area drawn.
    QRegion RedrawBestLaps(QImage& surface, const std::vector<bool>& changed);

    TTowerSources Sources;
    int Digits = 0;
    int PosColumn = 0;
    int NameColumn = 0;
    QImage Picture;
    QImage Logo;
    QFont LeaderFont;
    /// What the picture was last drawn from by a redraw request; reset by anything else that
    /// changes how it is drawn.
    std::optional<TTowerView> Shown;
    QRect InvalidatedBand;
};
