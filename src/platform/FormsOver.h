#pragma once
// A control that changes on every tick, shown by the desktop straight over
// its window instead of through the toolkit's repaint and flush.

#include <QImage>
#include <QPoint>
#include <QRect>

#include <functional>
#include <optional>
#include <utility>

class QPainter;

namespace forms {

class Control;

namespace detail {

class DrawnOver {
public:
    // `paint` draws the control's look and returns the part it changed, in
    // the control's pixels; a transparent control draws only what it adds to
    // what lies under it. Unless `fresh`, the painter's image holds the look
    // that `paint` drew last time.
    using Paint = std::function<QRect(QPainter& p, bool fresh)>;
    // Changes the look that `paint` drew last time (of the part of the
    // control at `origin`; over `under` where the control is transparent)
    // without a painter, where it can: returns the part it changed, or
    // nothing and leaves it to `paint`.
    using Change =
        std::function<std::optional<QRect>(QImage& look, QPoint origin, const QImage* under)>;
    DrawnOver(Control& control, Paint paint);
    ~DrawnOver();
    DrawnOver(const DrawnOver&) = delete;
    DrawnOver& operator=(const DrawnOver&) = delete;

    bool on() const { return on_; }
    // Off: the toolkit paints the control again, as it now is.
    void setOn(bool on);
    void setTransparent(bool t) { transparent_ = t, under_ = QImage(), part_ = QRect(); }
    // The next show paints the whole look afresh.
    void redrawWhole() { part_ = QRect(); }

    // Shows the control as it now is; false where the desktop cannot, and
    // then nothing older of ours stays over the toolkit's drawing.
    bool show();
    // One show at the end of this pass of the event loop, for controls drawn
    // in several steps; the toolkit paints where the desktop cannot.
    void showSoon();

    void setChange(Change change) { change_ = std::move(change); }

    // Has the control's widget paint with `paint` for the toolkit, and tell
    // this when the toolkit painted or hid it.
    void followToolkit(std::function<void(QPainter&)> paint);

private:
    // Shows the controls that wait for the end of the pass.
    static void showDue();
    // The toolkit painted the control: around it something may have moved or
    // changed, so what is shown over it is made again.
    void toolkitPainted();
    // The part of the control, in its own pixels, that no sibling above it
    // covers; empty where that part is not one rectangle.
    QRect uncovered() const;
    void renderUnder(QPoint at);
    void withdraw();

    Control& control_;
    Paint paint_;
    Change change_;
    QImage over_;  // the look as shown over the window
    QImage under_; // the window's pixels under a transparent control
    QPoint underAt_;
    QRect part_; // of the control, that over_ shows
    bool on_ = false;
    bool shown_ = false;
    bool drawn_ = false; // shown since on, so the toolkit's drawing is older
    bool transparent_ = false;
    bool blank_ = false;
    bool soon_ = false;
};

} // namespace detail
} // namespace forms
