#pragma once
// The message window: a borderless strip meant to be captured into the broadcast picture. At
// rest it shows the status line with pages of race messages over it; on request it shows the
// ranking strip instead, which stands still for five seconds and then scrolls past once.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

#include "core/live/players.h"
#include "core/messages/raceevent.h"

#include <memory>
#include <vector>

class QPaintEvent;
class QPainter;
class QResizeEvent;
class QTimer;
class TScrollTimerThread;

/// What the ticker draws: the race messages (it pages and expires them), the ranking strip's
/// entries and the records whose session the status line shows (replaced at a new session, so
/// the holder is given).
struct TTickerSources {
    TRaceEventList& Events;
    const TRaceEventList& Ranking;
    const std::unique_ptr<TPlayers>& Players;
};

/// A ranking strip grows with its entries up to this width, and to this many pixels in all.
constexpr int MaxStripWidth = 32768;
constexpr int MaxStripPixels = 32 * 1024 * 1024;

class TFormMsg1 : public QWidget {
    Q_OBJECT
  public:
    /// A borderless top-level window, client 569 x 77, black, heavy sans 19 px, with the paging
    /// timer running. It is not shown here: the main window places and shows it.
    explicit TFormMsg1(TTickerSources sources, QWidget* parent = nullptr);
    ~TFormMsg1() override;

    /// The operator's free text; kept only, and shown at the next RefreshStatus or size change.
    void SetNotice(const QString& text);
    /// Applies a font size in points within the setting's bounds (9..32), and redraws the
    /// status line so the new size shows at once; other values leave the font as it is.
    void ApplyFontSize(int points);

    /// Switches between the event line and the ranking strip. Switching on while on changes
    /// nothing, so a second request does not restart a strip that is already shown.
    void SetRankingMode(bool on);
    bool RankingMode() const { return RankingOn; }
    /// Redraws the status line from the session and the free text and repaints the window.
    void RefreshStatus();
    /// Moves the strip one device pixel and ends ranking mode once the strip's tail has reached
    /// one third of the window from the left. Does nothing outside ranking mode.
    void ScrollStep();
    /// The handler of a scroll tick: ScrollStep, then the window's pixels move
    /// one to the left and only the uncovered column is repainted (at display scaling the
    /// window is painted again from the strip, which moves by device pixels). A tick that arrives
    /// after the strip was switched off, or before it started scrolling (a late tick of an earlier
    /// strip), is dropped so it cannot shift the event line or a strip that should stand still.
    void ScrollTick();
    /// The height of the white boxes: the font's pixel height times 1.45, truncated.
    int LineHeight() const;
    /// Measures (painter == nullptr or draw == false) or draws an event whose box starts at
    /// x + 5; returns the advance to the next event's position.
    int DrawEvent(QPainter* painter, const TRaceEvent& event, int x, bool draw);
    /// The one-second tick: pages the event queue, or counts down the strip's still phase.
    void Timer1Timer();
    /// Draws the status line into StatusBitmap.
    void DrawStatusLine();
    /// Renders the ranking entries into the strip (five window widths, wider when the entries
    /// need it, within MaxStripWidth and MaxStripPixels) and sets RankingWidth.
    void BuildRankingBitmap();
    /// Starts the scroll thread when in ranking mode and none runs: a tick per device pixel,
    /// 100 logical pixels a second.
    void StartScroll();
    /// Stops and joins the scroll thread; no tick is posted after this returns.
    void StopScroll();

    const QImage& StatusBitmap() const { return StatusImage; }
    const QImage& RankingBitmap() const { return RankingImage; }
    int StartDelay() const { return DelayTicks; }
    /// How far the strip has moved, and its drawn length, in device pixels (the strip's own).
    int ScrollOffset() const { return Offset; }
    int RankingWidth() const { return StripWidth; }
    /// The offset at which the strip ends and the event line returns.
    int StripEndOffset() const { return StripWidth - StatusImage.width() / 3; }
    /// True while the strip moves (after its still phase).
    bool Scrolling() const { return ScrollThread != nullptr; }
    /// The picture the window shows now (status or strip, plus the shown events), as
    /// paintEvent composes it, at device pixels; when `clear`, drawn on no background (for a
    /// page laid over a scene, whose text edges keep their partial alpha).
    QImage Composite(bool clear = false) const;
    /// The ranking strip drawn on no background.
    QImage ClearRankingBitmap() const;

  signals:
    /// What the window shows changed (the line, or the strip was switched on or off); the
    /// strip's own scrolling is not reported pixel by pixel.
    void PictureChanged();
    /// The strip starts to move, at ScrollOffset().
    void ScrollStarted();
    /// A strip was switched on or off, by a press or by its own end.
    void RankingModeChanged();
    /// The window was shown or hidden, by a command, the first idle step or the system.
    void ShownChanged();
    /// The window is being destroyed: whoever holds it lets go now.
    void Going();

  protected:
    /// Scroll ticks from the scroll thread arrive here.
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    /// DrawEvent for a const window: the layout of one event box and its optional drawing.
    int RenderEvent(QPainter* painter, const TRaceEvent& event, int x, bool draw) const;
    /// Status line plus the shown events, the size of the window.
    QImage ComposeLine(bool clear = false) const;
    /// The status line onto `surface`, over its background.
    void PaintStatusLine(QImage& surface) const;
    /// The ranking entries and the strip's blue frame onto `surface`, over its background.
    void PaintRanking(QImage& surface) const;
    /// Copies `exposed` of the window from `strip` (the strip, or its clear form) shifted by
    /// ScrollOffset; the background beyond it.
    void PaintStrip(QPainter& painter, const QRegion& exposed, const QImage& strip) const;
    /// Shows the next page of the queue; true when one was taken.
    bool TakePage();
    /// The status line follows the client size and the display scaling (a resize to the same
    /// size redraws nothing).
    void FormResize();
    /// Draws everything again when the display scaling changed since it was drawn.
    void AdoptScale();
    /// The whole window is repainted from fresh content.
    void Invalidate();
    /// The window font enlarged by two points, for the status line.
    QFont NoticeFont() const;

    TTickerSources Sources;
    QTimer* Timer1 = nullptr;
    QImage StatusImage;
    QImage RankingImage;
    /// The event line as last composed; rebuilt at the next paint when LineDirty.
    QImage LineImage;
    bool LineDirty = true;
    bool RankingOn = false;
    std::unique_ptr<TScrollTimerThread> ScrollThread;
    int DelayTicks = 0;
    int Offset = 0;
    int StripWidth = 0;
    /// The operator's free text, as bytes: the status line is decided in the core.
    std::string Notice;
    int FontPoints = 14;
    /// Device pixels per logical pixel of the pictures as drawn.
    qreal Scale = 1.0;
};
