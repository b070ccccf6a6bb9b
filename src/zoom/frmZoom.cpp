#include "frmZoom.h"

#include "ZoomGeometry.h"

#include <QRect>

namespace zoom {

namespace {

constexpr int kUpdateIntervalMs = 10;
constexpr forms::Colour kBackColor = 0x00FFFFFF;
constexpr forms::Colour kCoordBack = 0x00C0FFFF;
constexpr forms::Colour kCoordText = 0x00000000;

QFont CoordFont() {
    // Liberation Sans has Arial's metrics, so the caption fits the strip as
    // designed.
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(8.25);
    f.setWeight(QFont::Bold);
    return f;
}

} // namespace

frmZoom::frmZoom(platform::DesktopServices& sys)
    : forms::Form(sys, true), tmrUpdate(*this, kUpdateIntervalMs, true), lblCoord(*this, this),
      surface_(*this, this) {
    setDesignSize(kWindowWidth, kWindowHeight);
    setBackColor(kBackColor);

    surface_.setScaleMode(forms::ScaleMode::Pixels);
    surface_.setBackColor(kBackColor);
    surface_.setForeColor(ForeColor);
    Form_Resize();

    lblCoord.Move(kCoordLeft, kCoordTop, kCoordWidth, kCoordHeight);
    lblCoord.setTransparent(false);
    lblCoord.setBackColor(kCoordBack);
    lblCoord.setForeColor(kCoordText);
    lblCoord.setFont(CoordFont());
    // The label lies on the drawing, whatever order the controls were made in.
    lblCoord.widget()->raise();

    tmrUpdate.Timer_ = [this] { tmrUpdate_Timer(); };
}

frmZoom::~frmZoom() {
    sys().unwatchWheel(window());
}

void frmZoom::Form_Load() {
    intZoomLevel = 1;
    sys().keepOutOfTaskbar(window());
    sys().setTopmost(window(), true);
    sys().watchWheel(window(), [this](int notch) { wheelNotch(notch); });
    // Shown beside the cursor from the start rather than in the screen's
    // corner until the first tick.
    moveBeside(sys().cursorPos());
    tmrUpdate.setEnabled(true);
}

void frmZoom::moveBeside(QPoint cursor) {
    const Placement at =
        PlaceBesideCursor(cursor, screen().Width(), screen().Height(), Width(), Height(),
                          screen().TwipsPerPixelX(), screen().TwipsPerPixelY());
    Move(at.left, at.top);
}

void frmZoom::Form_Resize() {
    // The drawing covers the whole client area (the window has no border).
    surface_.Move(0, 0, ScaleWidth(), ScaleHeight());
}

void frmZoom::Form_Unload(int& cancel) {
    (void)cancel;
    tmrUpdate.setEnabled(false);
    sys().unwatchWheel(window());
}

void frmZoom::tmrUpdate_Timer() {
    surface_.Cls();

    const QPoint cursor = sys().cursorPos();
    lblCoord.setCaption(CoordCaption(cursor, intZoomLevel));

    moveBeside(cursor);

    // The square keeps its top-left corner 24 pixels above and left of the
    // cursor and shrinks towards it as the level grows; it is stretched over
    // the whole drawing without smoothing.
    const float w = float(forms::CInt(surface_.ScaleWidth()));
    const float h = float(forms::CInt(surface_.ScaleHeight()));
    const int side = SourceSide(intZoomLevel);
    if (side > 0) {
        const QRect source(cursor.x() - kSourceOffset, cursor.y() - kSourceOffset, side, side);
        surface_.PaintPicture(sys().captureScreen(source), 0, 0, w, h);
    }

    surface_.LineBox(0, 0, w - 1, h - 1, ForeColor, DrawWidth);

    sys().raiseTopmost(window());

    // Wheel notches need no polling here: wheelNotch applies each one as it
    // arrives between two ticks, so it shows from the next tick on and the
    // tick never waits for input.

    if (cursor.x() == 0 && cursor.y() == 0) Unload();
}

void frmZoom::wheelNotch(int notch) {
    intZoomLevel = StepZoomLevel(intZoomLevel, notch);
}

} // namespace zoom
