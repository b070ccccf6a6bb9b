#pragma once

#include "DesktopServices.h"
#include "IniSettingsStore.h"
#include "VisibilityWatcher.h"
#include "X11WindowMover.h"

#include <QHash>
#include <QObject>

#include <map>

class QWidget;

namespace platform {

class CaptureProbe;
class OwnX11Connection;
class PortalColourPicker;
class WheelWatcher;
class X11Capture;
class X11HoverBatch;
class X11PictureOverlay;
class X11PointerTracker;
class X11ScreenLens;

// The desktop as Qt and X11 offer it. Works on other Qt platforms too where
// the X11-only parts (skip-taskbar, raw wheel) simply do nothing.
class X11Desktop : public QObject, public DesktopServices {
public:
    explicit X11Desktop(QString settingsPath);
    ~X11Desktop() override;

    double logicalDpiX() const override;
    double logicalDpiY() const override;
    QSize screenSize() const override;
    std::vector<QRect> screenRects() const override;
    void watchScreens(std::function<void()> changed) override;
    QPoint cursorPos() const override;
    bool wakeAtPointerMotion(const void* who, std::function<void()> moved) override;
    void holdHoverForTicks(QWidget* window, const void* who, bool on) override;
    void deliverHover(QWidget* window) override;
    QImage captureScreen(const QRect& rect) override;
    bool screenUnchanged(const QRect& rect) const override;
    bool wakeAtScreenChange(const void* who, std::function<void()> changed) override;
    bool showScreenStretched(QWidget* window, const QRect& target, const QRect& source,
                             const QRect& clip) override;
    void hideScreenStretched(QWidget* window) override;
    bool showPictureOver(QWidget* window, const void* who, QPoint at, const QImage& picture,
                         const QRect& changed) override;
    void hidePictureOver(const void* who) override;
    bool captureBlind() const override;
    void checkCapture(QWidget* window) override;
    void pickColour(QWidget* parent, std::function<void(PickedColour)> done) override;
    void setTopmost(QWidget* window, bool on) override;
    void raiseTopmost(QWidget* window) override;
    void activate(QWidget* window) override;
    void keepOutOfTaskbar(QWidget* window) override;
    bool startSystemMove(QWidget* window) override;
    void prepareFollower(QWidget* window) override;
    bool moveFollower(QWidget* window, QPoint topLeft) override {
        return mover_.move(window, topLeft, own());
    }
    void endFollower(QWidget* window) override { mover_.end(window); }
    std::unique_ptr<TrayIcon> addTrayIcon(const QIcon& icon, const QString& tip,
                                          std::function<void(int)> callback) override;
    bool trayAvailable() const override;
    QString clipboardText() override;
    void setClipboardText(const QString& text) override;
    SettingsStore& settings() override { return store_; }
    void watchWheel(QWidget* window, std::function<void(int)> callback) override;
    void unwatchWheel(QWidget* window) override;
    bool timersLive() const override { return true; }
    void endProgram() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    X11PointerTracker* pointer() const;
    bool lastShownStill();
    void wakeScreenWaiters();

    IniSettingsStore store_;
    std::unique_ptr<WheelWatcher> wheel_;
    VisibilityWatcher visibility_;
    X11WindowMover mover_;
    OwnX11Connection& own();

    std::unique_ptr<OwnX11Connection> own_;              // before its users: they go first
    std::unique_ptr<X11Capture> capture_;                // made at the first capture
    std::unique_ptr<X11ScreenLens> lens_;                // made when first shown
    std::unique_ptr<X11PictureOverlay> overlay_;         // made when first shown
    std::unique_ptr<X11HoverBatch> hover_;               // made at the first hold
    mutable std::unique_ptr<X11PointerTracker> pointer_; // made at the first read
    mutable bool pointerTried_ = false;
    QImage captured_; // kept between captures
    std::function<void()> screensChanged_;
    std::map<const void*, std::function<void()>> screenWaiters_;
    bool screensWatched_ = false;
    std::unique_ptr<CaptureProbe> probe_;
    std::unique_ptr<PortalColourPicker> portal_;
};

// Must run before QApplication exists: pixels stay physical.
void disableDevicePixelScaling();
// Must run before QApplication exists: windows are drawn without shared
// memory. Our own captures still use it.
void putWindowsThroughTheSocket();

} // namespace platform
