#include "frmZoom.h"

#include "ZoomGeometry.h"
#include "platform/Screens.h"

#include <QRect>

#include <algorithm>

namespace zoom {

namespace {

constexpr int kUpdateIntervalMs = 10;
constexpr forms::Colour kBackColor = 0x00FFFFFF;
constexpr forms::Colour kCoordBack = 0x00C0FFFF;
constexpr forms::Colour kCoordText = 0x00000000;

// Where captures of the screen are blind (an X11 program in a Wayland
// session) the window says so rather than magnifying black.
const QString kBlindCaption = QStringLiteral("  Bildschirm in dieser Sitzung nicht lesbar");
const QString kBlindAdvice = QStringLiteral("Bildschirmlupe des Desktops verwenden");

QFont CoordFont() {
    // Liberation Sans has Arial's metrics, so the caption fits the strip as
    // designed.
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(8.25);
    f.setWeight(QFont::Bold);
    return forms::WithoutShaping(f);
}

} // namespace

frmZoom::frmZoom(platform::DesktopServices& sys)
    : forms::Form(sys, true), tmrUpdate(*this, kUpdateIntervalMs, true), lblCoord(*this, this),
      surface_(*this, this) {
    setDesignSize(kWindowWidth, kWindowHeight);
    setBackColor(kBackColor);
    setFollowsPointer(true);
    // A still view over a screen nobody draws on waits for the pointer, the
    // screen or the wheel rather than look a hundred times a second.
    tmrUpdate.setRestsWithPointer(true);
    tmrUpdate.setRestsWithScreen(true);

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
    shown_ = false;
    sys().keepOutOfTaskbar(window());
    sys().setTopmost(window(), true);
    sys().watchWheel(window(), [this](int notch) { wheelNotch(notch); });
    // The caption changes on every tick of a moving cursor.
    lblCoord.setDrawnOver(true);
    // Shown beside the cursor from the start rather than in the screen's
    // corner until the first tick.
    moveBeside(sys().cursorPos());
    // Framed before it first shows: that first paint then covers the whole
    // window, and while the server magnifies nothing else is repainted.
    drawFrame();
    tmrUpdate.setEnabled(true);
}

void frmZoom::moveBeside(QPoint cursor) {
    // Within the screen that holds the cursor, so the window flips at that
    // screen's edges and not at the primary's.
    QRect within = platform::ScreenHolding(sys().screenRects(), cursor);
    if (within.isEmpty()) within = QRect(QPoint(0, 0), sys().screenSize());
    const Placement at = PlaceBesideCursor(cursor, within, Width(), Height(),
                                           screen().TwipsPerPixelX(), screen().TwipsPerPixelY());
    Move(at.left, at.top);
}

void frmZoom::ScreensChanged() {
    if (Loaded()) moveBeside(sys().cursorPos());
}

bool frmZoom::AtClosingCorner(QPoint cursor) const {
    // The top-left pixel of the primary screen, wherever that screen lies.
    const std::vector<QRect> screens = sys().screenRects();
    const QPoint corner = screens.empty() ? QPoint(0, 0) : screens.front().topLeft();
    return cursor == corner;
}

void frmZoom::Form_Resize() {
    // The drawing covers the whole client area (the window has no border).
    surface_.Move(0, 0, ScaleWidth(), ScaleHeight());
}

void frmZoom::Form_Unload(int& cancel) {
    (void)cancel;
    tmrUpdate.setEnabled(false);
    hideOnScreen();
    lblCoord.setDrawnOver(false);
    sys().unwatchWheel(window());
}

void frmZoom::tmrUpdate_Timer() {
    const QPoint cursor = sys().cursorPos();
    if (sys().captureBlind()) {
        // The texts stay as drawn once; the window still follows and closes.
        if (!blindShown_) showBlind();
        moveBeside(cursor);
        sys().raiseTopmost(window());
        if (AtClosingCorner(cursor)) Unload();
        return;
    }
    blindShown_ = false;
    const int side = SourceSide(intZoomLevel);
    // The square keeps its top-left corner 24 pixels above and left of the
    // cursor and shrinks towards it as the level grows.
    const QRect source(cursor.x() - kSourceOffset, cursor.y() - kSourceOffset, side, side);
    moveBeside(cursor);

    // The same cursor and level over a screen nobody drew on: the window
    // already shows this tick's picture, so it is neither captured nor
    // drawn again.
    const bool sameView = shown_ && cursor == shownCursor_ && intZoomLevel == shownLevel_;
    if (!sameView || (side > 0 && !sys().screenUnchanged(source))) {
        if (side > 0 && showOnScreen(source)) {
            drawAround(cursor);
        } else {
            hideOnScreen();
            const QImage picture = side > 0 ? sys().captureScreen(source) : QImage();
            // The window overlaps the square's corner: its own repaint is
            // reported as a change, and finding the same pixels ends that loop.
            if (!sameView || picture != shownPicture_) draw(cursor, picture);
        }
    }

    sys().raiseTopmost(window());

    // Wheel notches need no polling here: wheelNotch applies each one as it
    // arrives between two ticks, so it shows from the next tick on and the
    // tick never waits for input.

    if (AtClosingCorner(cursor)) Unload();
}

void frmZoom::draw(QPoint cursor, const QImage& picture) {
    aroundDrawn_ = false;
    surface_.Cls();
    lblCoord.setCaption(CoordCaption(cursor, intZoomLevel));
    // Stretched over the whole drawing without smoothing.
    const float w = float(forms::CInt(surface_.ScaleWidth()));
    const float h = float(forms::CInt(surface_.ScaleHeight()));
    if (!picture.isNull()) surface_.PaintPicture(picture, 0, 0, w, h);
    surface_.LineBox(0, 0, w - 1, h - 1, ForeColor, DrawWidth);
    shown_ = true;
    shownCursor_ = cursor;
    shownLevel_ = intZoomLevel;
    shownPicture_ = picture;
}

bool frmZoom::showOnScreen(const QRect& source) {
    // The picture fills the drawing; the frame's inner edge and the caption
    // strip bound what the server shows of it.
    const int w = forms::CInt(surface_.ScaleWidth()), h = forms::CInt(surface_.ScaleHeight());
    const int inset = DrawWidth / 2 + 1;
    const int strip = forms::CInt(kCoordTop / screen().TwipsPerPixelY());
    const QRect clip(QPoint(inset, inset),
                     QPoint(w - 1 - inset, std::min(h - 1 - inset, strip - 1)));
    // Where it cannot, the lens shown until now is hidden by the caller.
    if (!sys().showScreenStretched(window(), QRect(0, 0, w, h), source, clip)) return false;
    onScreen_ = true;
    return true;
}

void frmZoom::hideOnScreen() {
    if (!onScreen_) return;
    onScreen_ = false;
    sys().hideScreenStretched(window());
}

void frmZoom::drawAround(QPoint cursor) {
    // The server draws the picture; the window's own drawing is the frame,
    // made once, and the caption.
    if (!aroundDrawn_) drawFrame();
    lblCoord.setCaption(CoordCaption(cursor, intZoomLevel));
    shown_ = true;
    shownCursor_ = cursor;
    shownLevel_ = intZoomLevel;
    shownPicture_ = QImage();
}

void frmZoom::drawFrame() {
    const float w = float(forms::CInt(surface_.ScaleWidth()));
    const float h = float(forms::CInt(surface_.ScaleHeight()));
    surface_.Cls();
    surface_.LineBox(0, 0, w - 1, h - 1, ForeColor, DrawWidth);
    aroundDrawn_ = true;
}

void frmZoom::showBlind() {
    hideOnScreen();
    aroundDrawn_ = false;
    blindShown_ = true;
    shown_ = false; // seeing again, the next tick draws anew
    surface_.Cls();
    const float w = float(forms::CInt(surface_.ScaleWidth()));
    const float h = float(forms::CInt(surface_.ScaleHeight()));
    surface_.setFont(forms::SmallFont());
    surface_.setForeColor(kCoordText);
    surface_.CurrentX = (w - surface_.TextWidth(kBlindAdvice)) / 2;
    surface_.CurrentY = (h - surface_.TextHeight(kBlindAdvice)) / 2;
    surface_.Print(kBlindAdvice);
    surface_.setForeColor(ForeColor);
    surface_.LineBox(0, 0, w - 1, h - 1, ForeColor, DrawWidth);
    lblCoord.setCaption(kBlindCaption);
}

void frmZoom::wheelNotch(int notch) {
    intZoomLevel = StepZoomLevel(intZoomLevel, notch);
    tmrUpdate.Changed();
}

} // namespace zoom
