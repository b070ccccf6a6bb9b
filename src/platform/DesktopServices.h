#pragma once

#include <QIcon>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRgb>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QWidget;

namespace platform {

// Mouse messages a notification icon reports, numbered as the ruler's icon
// handler expects them.
enum TrayMessage : int {
    TrayMouseMove = 0x200,
    TrayLButtonDown = 0x201,
    TrayLButtonUp = 0x202,
    TrayLButtonDblClk = 0x203,
    TrayRButtonDown = 0x204,
    TrayRButtonUp = 0x205,
    TrayMButtonDown = 0x207,
    TrayMButtonUp = 0x208,
};

// A registered notification-area icon; removing it twice is harmless.
class TrayIcon {
public:
    virtual ~TrayIcon() = default;
    virtual void remove() = 0;
};

// Per-user key/value store for the handful of settings. Values are text so
// that damaged or foreign entries reach the caller, which decides what counts.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // nullopt when the key or value is missing or the store cannot be read.
    virtual std::optional<QString> read(const QString& key, const QString& name) = 0;
    // false when the value could not be stored; the previous file stays intact.
    virtual bool write(const QString& key, const QString& name, const QString& value) = 0;
    // Stores several values of one key in one commit: afterwards the store
    // holds all of them or, when false, none of them. This default is only as
    // atomic as a store that has no files.
    using Values = std::vector<std::pair<QString, QString>>;
    virtual bool writeAll(const QString& key, const Values& values) {
        for (const auto& [name, value] : values)
            if (!write(key, name, value)) return false;
        return true;
    }
};

// What became of a request to the desktop's own colour picker.
struct PickedColour {
    enum Outcome {
        Picked,      // `colour` holds the pixel the user clicked
        Cancelled,   // the user gave up; nothing was picked
        Unavailable, // the desktop offers no colour picker
        Failed,      // the picker is there but reported an error
    };
    Outcome outcome = Failed;
    QRgb colour = 0;
};

// Everything the program takes from the desktop. One real implementation over
// Qt and X11, one scriptable fake for headless tests.
class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    // Display metrics. Pixels are physical: Qt's device-pixel scaling is off.
    virtual double logicalDpiX() const = 0;
    virtual double logicalDpiY() const = 0;
    // Size of the primary screen, and the rectangles of all screens, in pixels
    // of the whole desktop, the primary screen's first. The primary need not
    // lie at 0,0.
    virtual QSize screenSize() const = 0;
    virtual std::vector<QRect> screenRects() const = 0;
    // Calls `changed` after screens came, went, moved or changed size; one
    // watcher, a later call replaces it and an empty function removes it.
    // A desktop whose layout never changes need not report anything.
    virtual void watchScreens(std::function<void()> changed) { (void)changed; }

    // Pointer position in screen pixels.
    virtual QPoint cursorPos() const = 0;
    // Calls `moved` once at the next pointer motion anywhere on the desktop,
    // so that a poller can rest while the pointer does. One call per `who` is
    // kept; an empty function withdraws it. False where motion is not
    // reported: the caller then keeps polling.
    virtual bool wakeAtPointerMotion(const void* who, std::function<void()> moved) {
        (void)who;
        (void)moved;
        return false;
    }
    // While `who` polls the pointer for `window` (on), the desktop may hold
    // back the pointer's motions over the window with no button held, and
    // hand the toolkit the latest of them when the poller calls deliverHover
    // at its next tick; a poller ticks after every motion, so none is lost
    // for longer than its interval. Drags with a button held are not held.
    virtual void holdHoverForTicks(QWidget* window, const void* who, bool on) {
        (void)window, (void)who, (void)on;
    }
    virtual void deliverHover(QWidget* window) { (void)window; }

    // The desktop's pixels in rect (screen pixels), from every screen it
    // crosses. The image always has exactly rect.size(); whatever lies outside
    // every screen is black.
    virtual QImage captureScreen(const QRect& rect) = 0;
    // True when rect is the rectangle of the last capture and nothing was
    // drawn inside it since, so capturing it again would give the same pixels.
    // False whenever that is not known.
    virtual bool screenUnchanged(const QRect& rect) const {
        (void)rect;
        return false;
    }
    // Calls `changed` once when something is drawn in the rectangle last
    // captured or shown stretched, or the stretched showing is uncovered, so
    // that a still view can rest. One call per `who` is kept; an empty
    // function withdraws it. False where that is not reported, or where the
    // last showing already changed: the caller then keeps polling.
    virtual bool wakeAtScreenChange(const void* who, std::function<void()> changed) {
        (void)who;
        (void)changed;
        return false;
    }

    // Has the display server show the screen's pixels of `source` in the
    // shown `window`, stretched without smoothing so that they fill `target`
    // and visible within `clip` only (window pixels; the window's own drawing
    // shows around it). The program never reads them, and screenUnchanged
    // then tells whether showing them again would show anything new. False
    // where the desktop cannot: the caller captures and draws them itself.
    virtual bool showScreenStretched(QWidget* window, const QRect& target, const QRect& source,
                                     const QRect& clip) {
        (void)window, (void)target, (void)source, (void)clip;
        return false;
    }
    // Ends that; the window's own drawing shows there again.
    virtual void hideScreenStretched(QWidget* window) { (void)window; }

    // Shows `picture` for `who` at `at` (pixels of `window`) straight over the
    // window's own drawing, without the toolkit's repaint, until hidden; a
    // later picture of the same `who` replaces it, and only its `changed`
    // part can differ from the one before. False where the desktop cannot:
    // the caller has the toolkit paint it.
    virtual bool showPictureOver(QWidget* window, const void* who, QPoint at, const QImage& picture,
                                 const QRect& changed) {
        (void)window, (void)who, (void)at, (void)picture, (void)changed;
        return false;
    }
    virtual void hidePictureOver(const void* who) { (void)who; }

    // True where captureScreen cannot see the screen: an X11 program in a
    // Wayland session gets only black from the root. Decided by measuring
    // against a shown window of ours (checkCapture), again by the desktop
    // itself whenever the screens change; false until measured.
    virtual bool captureBlind() const = 0;
    // Measures once `window` shows what it drew; a hidden window is skipped.
    virtual void checkCapture(QWidget* window) = 0;

    // Lets the user pick a pixel's colour with the desktop's own picker, for
    // where capture is blind. `done` runs once, later, on the GUI thread.
    virtual void pickColour(QWidget* parent, std::function<void(PickedColour)> done) = 0;

    // Stacking of a top-level window, applied to the shown window in place.
    // Turning it on or off also activates the window.
    virtual void setTopmost(QWidget* window, bool on) = 0;
    // Puts a shown window back on top of the topmost ones without activating
    // it, so a window that does this on every tick never takes the focus.
    virtual void raiseTopmost(QWidget* window) = 0;
    virtual void activate(QWidget* window) = 0;
    // Keeps a shown window out of the taskbar and pagers.
    virtual void keepOutOfTaskbar(QWidget* window) = 0;
    // Hands a window move (from the current press) to the window system;
    // false where the program moves its windows itself.
    virtual bool startSystemMove(QWidget* window) = 0;
    // Told before a window is first shown that it will follow the pointer on
    // every tick: the desktop may take it out of the window manager's hands,
    // as it does tooltips, so that each move concerns the window alone.
    virtual void prepareFollower(QWidget* window) { (void)window; }
    // Moves a shown window that follows the pointer on every tick, without
    // the toolkit's bookkeeping of each move. False where the desktop has no
    // such path: the caller moves the window itself.
    virtual bool moveFollower(QWidget* window, QPoint topLeft) {
        (void)window;
        (void)topLeft;
        return false;
    }
    // The window stops following: the toolkit takes its moves again.
    virtual void endFollower(QWidget* window) { (void)window; }

    // Notification area. The callback receives TrayMessage values.
    virtual std::unique_ptr<TrayIcon> addTrayIcon(const QIcon& icon, const QString& tip,
                                                  std::function<void(int message)> callback) = 0;
    virtual bool trayAvailable() const = 0;

    // Plain-text clipboard; on X11 CLIPBOARD only, never the primary selection.
    virtual QString clipboardText() = 0;
    virtual void setClipboardText(const QString& text) = 0;

    virtual SettingsStore& settings() = 0;

    // Mouse wheel anywhere on the screen while `window` is the active window:
    // +1 per notch towards the user, -1 per notch away. One watcher per window.
    virtual void watchWheel(QWidget* window, std::function<void(int notch)> callback) = 0;
    virtual void unwatchWheel(QWidget* window) = 0;

    // False in headless tests: timers are then fired by the test itself.
    virtual bool timersLive() const = 0;

    // Ends the program regularly (after the current handler returns).
    virtual void endProgram() = 0;
};

} // namespace platform
