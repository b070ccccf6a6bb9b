// The ruler in the user's hands: dragging, the grip, the arrow keys and the
// read-out of the pointer's distance from the leading edge.
#include "frmRuler.h"

#include "ruler/RulerGeometry.h"

#include <algorithm>

namespace shell {

using namespace ruler;

// ---------------------------------------------------------------- moving

void frmRuler::Form_MouseDown(int button, int shift, float x, float y) {
    (void)shift, (void)x, (void)y;
    if (button == forms::vbLeftButton) BeginWindowDrag();
}

void frmRuler::picRuler_MouseDown(int button, int shift, float x, float y) {
    (void)shift, (void)x, (void)y;
    if (button == forms::vbLeftButton) BeginWindowDrag();
}

// The window follows the cursor, keeping the press offset, until the left
// button is released: by hand, or by the window system's own move where the
// platform leaves window placement to it.
void frmRuler::BeginWindowDrag() {
    dragOffset_ = MouseEventScreenPos() - window()->pos();
    dragging_ = !sys().startSystemMove(window());
}

void frmRuler::followDrag() {
    if (!dragging_) return;
    const QPoint to = MouseEventScreenPos() - dragOffset_;
    Move(float(to.x()) * screen().TwipsPerPixelX(), float(to.y()) * screen().TwipsPerPixelY());
}

void frmRuler::Form_MouseMove(int button, int shift, float x, float y) {
    (void)shift, (void)x, (void)y;
    if (button == forms::vbLeftButton) followDrag();
}

void frmRuler::Form_MouseUp(int button, int shift, float x, float y) {
    (void)shift, (void)x, (void)y;
    if (button == forms::vbLeftButton) {
        followDrag();
        dragging_ = false;
    }
}

// ---------------------------------------------------------------- resizing

void frmRuler::resizeLoop(bool vertical) {
    blnResizing = -1;
    do {
        // Sleeps until the next event (a pointer motion, the release, a
        // timer) instead of spinning: same result, no busy processor.
        forms::DoEvents(true);
        if (ending_) break;
        const QPoint c = sys().cursorPos();
        if (vertical)
            setHeight(std::max(kMinLength, GripLength(c.y(), screen().TwipsPerPixelY(), Top())));
        else
            setWidth(std::max(kMinLength, GripLength(c.x(), screen().TwipsPerPixelX(), Left())));
    } while (blnResizing);
}

void frmRuler::picResizeH_MouseDown(int, int, float, float) {
    resizeLoop(false);
}
void frmRuler::picResizeH_MouseUp(int, int, float, float) {
    blnResizing = 0;
}
void frmRuler::picResizeV_MouseDown(int, int, float, float) {
    resizeLoop(true);
}
void frmRuler::picResizeV_MouseUp(int, int, float, float) {
    blnResizing = 0;
}

// ---------------------------------------------------------------- keys

void frmRuler::Form_KeyDown(int keyCode, int shift) {
    const KeyMove m =
        ArrowKeyMove(keyCode, shift, screen().TwipsPerPixelX(), screen().TwipsPerPixelY());
    if (m.dLeft != 0) setLeft(Left() + m.dLeft);
    if (m.dTop != 0) setTop(Top() + m.dTop);
}

void frmRuler::picRuler_KeyDown(int keyCode, int shift) {
    Form_KeyDown(keyCode, shift);
}

// ---------------------------------------------------------------- read-out

void frmRuler::ctlMousePosTimer_Timer() {
    forms::DoEvents();
    const QPoint c = sys().cursorPos();
    const double d = CursorDistance(g.intOrientation, c, Left(), Top(), screen().TwipsPerPixelX(),
                                    screen().TwipsPerPixelY());
    lblPixel.setCaption(NumberText(d));
}

} // namespace shell
