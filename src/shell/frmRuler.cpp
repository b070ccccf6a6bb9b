#include "frmRuler.h"

#include "Images.h"
#include "OnTop.h"
#include "Settings.h"
#include "platform/Memory.h"
#include "ruler/RulerGeometry.h"
#include "ruler/Scale.h"

#include <QApplication>
#include <QEvent>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

namespace shell {

using namespace ruler;

namespace {

constexpr forms::Colour kYellow = 0x00C0FFFF;
constexpr float kDesignClientWidth = 11655, kDesignClientHeight = 1005;
constexpr float kButton = 165;
// Settings are stored this long after the last change.
constexpr int kStoreDelayMs = 1000;

class GeometryWatcher : public QObject {
public:
    GeometryWatcher(QObject* parent, std::function<void()> changed)
        : QObject(parent), changed_(std::move(changed)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Move || e->type() == QEvent::Resize) changed_();
        return QObject::eventFilter(watched, e);
    }

private:
    std::function<void()> changed_;
};

void designButton(forms::PictureBox& b, float left, float top, const QImage& image,
                  const QString& tip) {
    b.setBorderFlat(true);
    b.Move(left, top, kButton, kButton);
    b.setBackColor(forms::vbWindowBackground);
    b.setForeColor(forms::vbWindowText);
    b.setPicture(image);
    b.setToolTipText(tip);
    b.setTabStopFromClick(false);
}

void designHolder(forms::PictureBox& b, float left, float top, float w, float h) {
    b.Move(left, top, w, h);
    b.setVisible(false);
}

} // namespace

frmRuler::frmRuler(platform::DesktopServices& sys, Globals& globals)
    : forms::Form(sys, false), g(globals), picRuler(*this, this), picClrFrame(*this, this),
      picker(*this, picClrFrame), picClose(*this, this), picOnTop(*this, this),
      picLineal(*this, this), picColor(*this, this), picZoom(*this, this), lblPixel(*this, this),
      picResizeH(*this, this), picResizeV(*this, this), picTray(*this, this),
      picOnTopInactive(*this, this), picOnTopActive(*this, this), picCurHorizontal(*this, this),
      picCurVertical(*this, this), ctlMousePosTimer(*this, 50, true),
      ctlStoreTimer(*this, kStoreDelayMs, false) {
    const float f = 2 * screen().TwipsPerPixelX();
    setDesignSize(kDesignClientWidth + f, kDesignClientHeight + 2 * screen().TwipsPerPixelY());
    setBackColor(kYellow);
    setIcon(RulerIcon());
    window()->setWindowTitle(QString());

    picRuler.Move(0, 600, 10935, 495);
    picRuler.setBackColor(kYellow);
    picRuler.setForeColor(forms::vbButtonText);
    picRuler.setFont(forms::SmallFont());
    picRuler.setMouseIcon(HorizontalRulerCursor());
    picRuler.setMousePointer(99);
    picRuler.setTabStopFromClick(true);

    picClrFrame.Move(30, 240, 8415, 615);
    picClrFrame.setBackColor(kYellow);
    picClrFrame.setForeColor(forms::vbWindowText);
    picClrFrame.setVisible(false);

    designButton(picClose, 30, 30, CloseImage(), QStringLiteral("Schließen"));
    designButton(picOnTop, 615, 30, OnTopInactiveImage(), QStringLiteral("Immer im Vordergrund"));
    designButton(picLineal, 225, 30, LinealImage(), QStringLiteral("Lineal anzeigen"));
    designButton(picColor, 420, 30, ColorImage(), QStringLiteral("Color-Picker anzeigen"));
    designButton(picZoom, 2040, 30, ZoomImage(), QStringLiteral("Zoomer anzeigen"));
    designButton(picResizeH, 1800, 30, ResizeHImage(),
                 QStringLiteral("Lineal vergrößern/verkleinern"));
    designButton(picResizeV, 30, 240, ResizeVImage(),
                 QStringLiteral("Lineal vergrößern/verkleinern"));
    picResizeH.setSystemPointer(Qt::SizeHorCursor);
    picResizeV.setSystemPointer(Qt::SizeVerCursor);
    picResizeV.setVisible(false);

    lblPixel.Move(870, 30, 495, 165);
    lblPixel.setFont(forms::SmallFont());
    lblPixel.setCaption(QStringLiteral("0"));
    // The read-out changes on every tick of a moving pointer.
    lblPixel.setDrawnOver(true);

    designHolder(picTray, 7560, 0, 615, 375);
    picTray.setPicture(picker::CrosshairImage());
    designHolder(picOnTopInactive, 8760, 0, 255, 255);
    picOnTopInactive.setPicture(OnTopInactiveImage());
    designHolder(picOnTopActive, 9000, 0, 255, 255);
    picOnTopActive.setPicture(OnTopActiveImage());
    designHolder(picCurHorizontal, 9480, 0, 255, 255);
    picCurHorizontal.setMouseIcon(HorizontalRulerCursor());
    designHolder(picCurVertical, 9720, 0, 255, 255);
    picCurVertical.setMouseIcon(VerticalRulerCursor());

    // Tab order: picRuler first, so it holds the focus when first shown.
    std::vector<std::pair<int, QWidget*>> tabs{
        {0, picRuler.widget()},   {1, picClose.widget()},         {2, picOnTop.widget()},
        {3, picResizeH.widget()}, {4, picOnTopActive.widget()},   {5, picOnTopInactive.widget()},
        {6, lblPixel.widget()},   {7, picCurHorizontal.widget()}, {8, picCurVertical.widget()},
        {9, picResizeV.widget()}, {10, picLineal.widget()},       {11, picClrFrame.widget()},
        {22, picColor.widget()},  {23, picTray.widget()},         {33, picZoom.widget()}};
    for (const auto& t : picker.tabStops())
        tabs.push_back(t);
    std::sort(tabs.begin(), tabs.end());
    for (std::size_t i = 1; i < tabs.size(); ++i)
        QWidget::setTabOrder(tabs[i - 1].second, tabs[i].second);

    // Handlers.
    picClose.Click = [this] { picClose_Click(); };
    picOnTop.Click = [this] { picOnTop_Click(); };
    picLineal.Click = [this] { picLineal_Click(); };
    picColor.Click = [this] { picColor_Click(); };
    picZoom.Click = [this] { picZoom_Click(); };
    picTray.MouseMove = [this](int b, int s, float x, float y) { picTray_MouseMove(b, s, x, y); };
    picRuler.DblClick = [this] { picRuler_DblClick(); };
    picRuler.MouseDown = [this](int b, int s, float x, float y) { picRuler_MouseDown(b, s, x, y); };
    picRuler.MouseMove = [this](int b, int s, float x, float y) { Form_MouseMove(b, s, x, y); };
    picRuler.MouseUp = [this](int b, int s, float x, float y) { Form_MouseUp(b, s, x, y); };
    picRuler.KeyDown = [this](int k, int s) { picRuler_KeyDown(k, s); };
    picResizeH.MouseDown = [this](int b, int s, float x, float y) {
        picResizeH_MouseDown(b, s, x, y);
    };
    picResizeH.MouseUp = [this](int b, int s, float x, float y) { picResizeH_MouseUp(b, s, x, y); };
    picResizeV.MouseDown = [this](int b, int s, float x, float y) {
        picResizeV_MouseDown(b, s, x, y);
    };
    picResizeV.MouseUp = [this](int b, int s, float x, float y) { picResizeV_MouseUp(b, s, x, y); };
    ctlMousePosTimer.Timer_ = [this] { ctlMousePosTimer_Timer(); };
    // The read-out only follows the pointer and the ruler: while both rest,
    // so does the timer.
    ctlMousePosTimer.setRestsWithPointer(true);
    ctlStoreTimer.Timer_ = [this] { StorePendingSettings(); };
    // Moves and resizes from any source: a drag, a key, a grip, the window manager.
    window()->installEventFilter(new GeometryWatcher(window(), [this] { SettingsChanged(); }));
}

frmRuler::~frmRuler() {
    if (Loaded()) sys().watchScreens({});
}

// ---------------------------------------------------------------- start and end

void frmRuler::Form_Load() {
    intPanelMode = 1;
    AddTrayIcon();
    LoadSettings();
    DrawScale();
    sys().watchScreens([this] { Screens_Change(); });
}

void frmRuler::Form_Shown() {
    picRuler.SetFocus();
    // Whether captures can see the screen is measured against this window.
    sys().checkCapture(window());
}

void frmRuler::picClose_Click() {
    Hide();
    Unload(forms::vbFormCode);
    End();
}

void frmRuler::Form_Unload(int& cancel) {
    (void)cancel;
    SaveSettings();
}

void frmRuler::Form_QueryUnload(int& cancel, int unloadMode) {
    Hide();
    if (unloadMode == forms::vbFormCode || unloadMode == forms::vbAppWindows) {
        g.nidTray.registration.reset(); // NIM_DELETE
        return;
    }
    // Without a notification area a hidden ruler could never come back: end
    // regularly instead, settings stored.
    if (!sys().trayAvailable()) {
        g.nidTray.registration.reset();
        return;
    }
    cancel = 1;
}

void frmRuler::windowClosedBySystem() {
    if (ending_) return;
    if (Unload(forms::vbFormControlMenu)) End();
}

void frmRuler::SessionEnding() {
    if (ending_) return;
    if (Unload(forms::vbAppWindows)) End();
}

void frmRuler::End() {
    ending_ = true;
    blnResizing = 0;
    ctlMousePosTimer.setEnabled(false);
    ctlStoreTimer.setEnabled(false);
    picker.ctlClrTimer.setEnabled(false);
    zoom_.reset(); // the zoom window goes without events of its own
    sys().endProgram();
}

// ---------------------------------------------------------------- layout

void frmRuler::LayoutForOrientation(float length) {
    const bool vertical = (g.intOrientation == 1);
    if (vertical) {
        setHeight(length);
        setWidth(kThickness);
    } else {
        setWidth(length);
        setHeight(kThickness);
    }

    struct Step {
        forms::Control& control;
        forms::Control& previous;
        float gap;
    };
    const Step row[] = {{picOnTop, picClose, kGapAfterClose},
                        {picLineal, picOnTop, kGapAfterOnTop},
                        {picColor, picLineal, kGapAfterLineal},
                        {picZoom, picColor, kGapAfterColor},
                        {lblPixel, picZoom, kGapAfterZoom}};
    for (const Step& s : row) {
        if (vertical) {
            s.control.setLeft(picClose.Left());
            s.control.setTop(s.previous.Top() + s.previous.Height() + s.gap);
        } else {
            s.control.setLeft(s.previous.Left() + s.previous.Width() + s.gap);
            s.control.setTop(picClose.Top());
        }
    }

    picRuler.setMouseIcon(vertical ? picCurVertical.MouseIcon() : picCurHorizontal.MouseIcon());
    picResizeH.setVisible(g.intOrientation == 0);
    picResizeV.setVisible(g.intOrientation == 1);
}

void frmRuler::SwitchOrientation() {
    if (intPanelMode != 1) return;
    float length;
    if (g.intOrientation == 0) {
        g.intOrientation = 1;
        length = Width();
    } else {
        g.intOrientation = 0;
        length = Height();
    }
    LayoutForOrientation(length);
    DrawScale();
    SettingsChanged();
}

void frmRuler::Form_Resize() {
    if (g.intOrientation == 0) {
        picResizeH.setLeft(Width() - (picResizeH.Width() + kGripEndGap));
        picRuler.Move(0, kStripOffset, Width(), kStripThickness);
    } else {
        picResizeV.setTop(Height() - (picResizeV.Height() + kGripEndGap));
        picRuler.Move(kStripOffset, 0, kStripThickness, Height());
    }
    DrawScale();
}

void frmRuler::DrawScale() {
    ++drawScaleCount;
    ruler::DrawScale(picRuler, g.intOrientation, screen());
}

void frmRuler::Form_DblClick() {
    SwitchOrientation();
}
void frmRuler::picRuler_DblClick() {
    SwitchOrientation();
}

// ---------------------------------------------------------------- panels

void frmRuler::SetPanelMode(std::int16_t mode) {
    picRuler.setVisible(mode == 1);
    lblPixel.setVisible(mode == 1);
    ctlMousePosTimer.setEnabled(mode == 1);
    picClrFrame.setVisible(mode == 2);
    intPanelMode = mode;
}

void frmRuler::picLineal_Click() {
    SetPanelMode(1);
}

void frmRuler::picColor_Click() {
    if (g.intOrientation == 1) SwitchOrientation();
    SetPanelMode(2);
}

// ---------------------------------------------------------------- topmost

void frmRuler::picOnTop_Click() {
    g.blnAlwaysOnTop = std::int16_t(~g.blnAlwaysOnTop);
    picOnTop.setPicture(g.blnAlwaysOnTop ? picOnTopInactive.Picture() : picOnTopActive.Picture());
    SetAlwaysOnTop(*this, g.blnAlwaysOnTop);
    SettingsChanged();
}

// ---------------------------------------------------------------- tray

void frmRuler::AddTrayIcon() {
    sys().keepOutOfTaskbar(window()); // no taskbar entry: the icon is the handle
    NotifyIconData& nid = g.nidTray;
    nid.cbSize = 88;
    nid.hWnd = reinterpret_cast<std::uintptr_t>(picTray.widget());
    nid.uID = 1;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = WM_MOUSEMOVE;
    nid.hIcon = Icon();
    nid.szTip = kTrayTip + QChar(0) + QString(64 - kTrayTip.size() - 1, QChar(' '));
    // The icon's mouse messages arrive as mouse moves of picTray whose X is
    // the message number in twips.
    nid.registration = sys().addTrayIcon(nid.hIcon, TipText(nid.szTip), [this](int message) {
        if (picTray.MouseMove)
            picTray.MouseMove(0, 0, float(message) * screen().TwipsPerPixelX(), 0);
    });
}

void frmRuler::picTray_MouseMove(int button, int shift, float x, float y) {
    (void)button, (void)shift, (void)y;
    const std::int32_t m = forms::CInt(double(x) / double(screen().TwipsPerPixelX()));
    if (m != WM_LBUTTONDBLCLK) return;
    if (Visible())
        Hide();
    else
        ShowFromTray();
}

void frmRuler::ShowFromTray() {
    if (ending_) return;
    Show();
    SetFocus();
}

// ---------------------------------------------------------------- zoom

void frmRuler::picZoom_Click() {
    if (!zoom_ || !zoom_->Loaded()) {
        zoom_ = std::make_unique<zoom::frmZoom>(sys());
        // A closed magnifier gives back its window and pictures; it unloads
        // from its own tick, so it goes once that tick is over.
        zoom_->Unloaded = [this] {
            QMetaObject::invokeMethod(
                window(),
                [this] {
                    if (zoom_ && !zoom_->Loaded()) {
                        zoom_.reset();
                        platform::ReturnFreedMemory();
                    }
                },
                Qt::QueuedConnection);
        };
    }
    zoom_->Show();
}

} // namespace shell
