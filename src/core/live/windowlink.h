#pragma once
// The one thing the core asks of the windows, and tells them outside a reading's result: the
// ticker's ranking strip, which the strip buttons switch on and a finisher or a full-course
// yellow switches off. The main window implements it with the real ticker, the headless
// windows (tools/headless) as plain state, so every rule runs and is tested without a display.

class TWindowLink {
  public:
    virtual ~TWindowLink() = default;

    /// Whether the ticker shows a ranking strip.
    virtual bool RankingMode() const = 0;
    virtual void SetRankingMode(bool on) = 0;
};
