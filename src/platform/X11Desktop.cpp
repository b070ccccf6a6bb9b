#include "X11Desktop.h"
#include "CaptureProbe.h"
#include "PortalColourPicker.h"
#include "WheelWatcher.h"
#include "X11Capture.h"
#include "X11Connection.h"
#include "X11HoverBatch.h"
#include "X11PictureOverlay.h"
#include "X11Pointer.h"
#include "X11ScreenLens.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QEvent>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstring>

namespace platform {

void disableDevicePixelScaling() {
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
    qunsetenv("QT_AUTO_SCREEN_SCALE_FACTOR");
}

void putWindowsThroughTheSocket() {
    // Qt's shared-memory backing store waits for a server round trip before
    // it repaints a region it showed last. The read-out, the sample and the
    // magnifier repaint the same region on every tick, so plain puts cost
    // far fewer wake-ups, at no more work for the server.
    qputenv("QT_XCB_NO_MITSHM", "1");
}

X11Desktop::X11Desktop(QString settingsPath)
    : store_(std::move(settingsPath)), wheel_(std::make_unique<WheelWatcher>()),
      probe_(std::make_unique<CaptureProbe>([this](const QRect& r) { return captureScreen(r); })),
      portal_(std::make_unique<PortalColourPicker>()) {}

X11Desktop::~X11Desktop() = default;

double X11Desktop::logicalDpiX() const {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInchX() : 96.0;
}

double X11Desktop::logicalDpiY() const {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInchY() : 96.0;
}

QSize X11Desktop::screenSize() const {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().size() : QSize(0, 0);
}

std::vector<QRect> X11Desktop::screenRects() const {
    std::vector<QRect> out;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary) out.push_back(primary->geometry());
    for (const QScreen* s : QGuiApplication::screens())
        if (s != primary) out.push_back(s->geometry());
    return out;
}

void X11Desktop::watchScreens(std::function<void()> changed) {
    screensChanged_ = std::move(changed);
    if (screensWatched_) return;
    screensWatched_ = true;
    // Reported at once, while Qt takes in the new layout: the window manager
    // reacts to the same change by moving windows, and the program must judge
    // where its windows stood before that move arrives. A change of several
    // screens is reported once per signal.
    const auto report = [this] {
        if (screensChanged_) screensChanged_();
    };
    const auto watch = [this, report](QScreen* s) {
        QObject::connect(s, &QScreen::geometryChanged, this, report);
    };
    for (QScreen* s : QGuiApplication::screens())
        watch(s);
    QObject::connect(qGuiApp, &QGuiApplication::screenAdded, this, [watch, report](QScreen* s) {
        watch(s);
        report();
    });
    QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, this, report);
    QObject::connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, report);
}

X11PointerTracker* X11Desktop::pointer() const {
    // Started at the first use, once Qt's connection exists.
    if (!pointerTried_) {
        pointerTried_ = true;
        pointer_ = X11PointerTracker::start();
    }
    return pointer_.get();
}

bool X11Desktop::wakeAtPointerMotion(const void* who, std::function<void()> moved) {
    if (!moved && !pointer_) return true; // nothing to withdraw
    return pointer() && pointer()->wakeAtMotion(who, std::move(moved));
}

void X11Desktop::holdHoverForTicks(QWidget* window, const void* who, bool on) {
    if (!hover_) {
        if (!on) return;
        hover_ = std::make_unique<X11HoverBatch>(own());
    }
    hover_->hold(window, who, on);
}

void X11Desktop::deliverHover(QWidget* window) {
    if (hover_) hover_->deliver(window);
}

QPoint X11Desktop::cursorPos() const {
    if (pointer())
        if (const std::optional<QPoint> p = pointer_->position()) return *p;
    return QCursor::pos();
}

bool X11Desktop::captureBlind() const {
    return probe_->blind();
}

void X11Desktop::checkCapture(QWidget* window) {
    probe_->watch(window);
}

void X11Desktop::pickColour(QWidget* parent, std::function<void(PickedColour)> done) {
    QString parentWindow;
    if (parent && QGuiApplication::platformName() == QLatin1String("xcb"))
        parentWindow = QStringLiteral("x11:") + QString::number(parent->window()->winId(), 16);
    portal_->pick(parentWindow, std::move(done));
}

namespace {

void applyTopmostFlag(QWidget* window, bool on) {
    Qt::WindowFlags f = window->windowFlags();
    f.setFlag(Qt::WindowStaysOnTopHint, on);
    // setWindowFlags() would hide the window and make a new native one; these
    // two calls change the stacking of the same shown window.
    window->overrideWindowFlags(f);
    if (QWindow* h = window->windowHandle()) h->setFlags(f);
}

} // namespace

void X11Desktop::setTopmost(QWidget* window, bool on) {
    applyTopmostFlag(window, on);
    // Watched from before it is shown, so its first map reports whether it
    // is covered.
    if (on && window->windowHandle()) visibility_.watch(window);
    activate(window);
}

void X11Desktop::raiseTopmost(QWidget* window) {
    if (!window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) applyTopmostFlag(window, true);
    // Uncovered is on top of everything that could cover it: asking the
    // window manager to restack it would change nothing.
    if (window->isVisible() && !visibility_.uncovered(window)) {
        window->raise();
        visibility_.raised(window);
    }
}

void X11Desktop::prepareFollower(QWidget* window) {
    // A managed window's every move is a request to the window manager, which
    // then moves its frame: a second round of the server's work and a wake-up
    // of the window manager, a hundred times a second. Unmanaged, the window
    // still stays above the managed ones and takes the focus when activated
    // (the toolkit sets it directly), and no taskbar lists it.
    window->setWindowFlag(Qt::X11BypassWindowManagerHint);
}

void X11Desktop::activate(QWidget* window) {
    if (!window->isVisible()) return;
    window->raise();
    window->activateWindow();
}

namespace {

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
    auto cookie = xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name);
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, cookie, nullptr);
    if (!r) return XCB_ATOM_NONE;
    const xcb_atom_t a = r->atom;
    free(r);
    return a;
}

xcb_connection_t* x11Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// Adds skip-taskbar and skip-pager: on an unmapped window to its property
// (Qt merges it when mapping), on a mapped one by asking the window manager.
void applySkipTaskbar(QWidget* w, bool mapped) {
    xcb_connection_t* c = x11Connection();
    QWindow* h = w->windowHandle();
    if (!c || !h) return;
    const xcb_window_t win = xcb_window_t(h->winId());
    const xcb_atom_t state = internAtom(c, "_NET_WM_STATE");
    const xcb_atom_t atoms[2] = {internAtom(c, "_NET_WM_STATE_SKIP_TASKBAR"),
                                 internAtom(c, "_NET_WM_STATE_SKIP_PAGER")};
    if (!mapped) {
        xcb_change_property(c, XCB_PROP_MODE_APPEND, win, state, XCB_ATOM_ATOM, 32, 2, atoms);
    } else {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        xcb_client_message_event_t ev;
        std::memset(&ev, 0, sizeof ev);
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 32;
        ev.window = win;
        ev.type = state;
        ev.data.data32[0] = 1; // _NET_WM_STATE_ADD
        ev.data.data32[1] = atoms[0];
        ev.data.data32[2] = atoms[1];
        ev.data.data32[3] = 1; // normal application
        xcb_send_event(c, 0, screen->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&ev));
    }
    xcb_flush(c);
}

} // namespace

void X11Desktop::keepOutOfTaskbar(QWidget* window) {
    // Re-applied before every map: a window manager drops the state when the
    // window is withdrawn (hidden).
    window->installEventFilter(this);
    window->winId();
    applySkipTaskbar(window, window->isVisible());
}

bool X11Desktop::eventFilter(QObject* watched, QEvent* event) {
    // Qt replaces the state property when it maps the window; a request sent
    // after the map request reaches the window manager after it, in order.
    if (event->type() == QEvent::Show)
        if (auto* w = qobject_cast<QWidget*>(watched))
            QTimer::singleShot(0, w, [w] {
                if (w->isVisible()) applySkipTaskbar(w, true);
            });
    return QObject::eventFilter(watched, event);
}

bool X11Desktop::startSystemMove(QWidget* window) {
    // On X11 the program places its windows itself, exactly and step by step,
    // and a press handed to the window manager never comes back as the first
    // half of a double-click. The manager's move is for platforms where a
    // client cannot place its own windows.
    if (QGuiApplication::platformName() == QLatin1String("xcb")) return false;
    QWindow* h = window->windowHandle();
    return h && h->startSystemMove();
}

namespace {

// Hosts of the StatusNotifier protocol report one activation and never a
// double-click; the XEmbed tray reports Trigger then DoubleClick. Qt shows
// the icon through a StatusNotifier host only when the watcher runs and says
// a host is registered, and through XEmbed otherwise: the same test here.
bool statusNotifierHost() {
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(watcher))
        return false;
    QDBusInterface host(watcher, QStringLiteral("/StatusNotifierWatcher"), watcher, bus);
    return host.isValid() && host.property("IsStatusNotifierHostRegistered").toBool();
}

class QtTrayIcon : public TrayIcon {
public:
    QtTrayIcon(const QIcon& icon, const QString& tip, std::function<void(int)> cb)
        : callback(std::move(cb)), singleActivationToggles(statusNotifierHost()) {
        tray.setIcon(icon);
        tray.setToolTip(tip);
        QObject::connect(&tray, &QSystemTrayIcon::activated, &tray,
                         [this](QSystemTrayIcon::ActivationReason r) { report(r); });
        tray.show();
    }
    void remove() override { tray.hide(); }
    void report(QSystemTrayIcon::ActivationReason r) {
        if (!callback) return;
        switch (r) {
        case QSystemTrayIcon::Trigger:
            callback(singleActivationToggles ? TrayLButtonDblClk : TrayLButtonUp);
            break;
        case QSystemTrayIcon::DoubleClick:
            callback(TrayLButtonDblClk);
            break;
        case QSystemTrayIcon::Context:
            callback(TrayRButtonUp);
            break;
        case QSystemTrayIcon::MiddleClick:
            callback(TrayMButtonUp);
            break;
        default:
            break;
        }
    }
    QSystemTrayIcon tray;
    std::function<void(int)> callback;
    bool singleActivationToggles;
};

} // namespace

std::unique_ptr<TrayIcon> X11Desktop::addTrayIcon(const QIcon& icon, const QString& tip,
                                                  std::function<void(int)> callback) {
    return std::make_unique<QtTrayIcon>(icon, tip, std::move(callback));
}

bool X11Desktop::trayAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

QString X11Desktop::clipboardText() {
    const QClipboard* cb = QGuiApplication::clipboard();
    return cb ? cb->text(QClipboard::Clipboard) : QString();
}

void X11Desktop::setClipboardText(const QString& text) {
    QClipboard* cb = QGuiApplication::clipboard();
    if (!cb) return;
    if (text.isEmpty()) {
        cb->clear(QClipboard::Clipboard);
        return;
    }
    // CLIPBOARD only: PRIMARY belongs to the user's current text selection,
    // which an explicit copy must not replace.
    cb->setText(text, QClipboard::Clipboard);
}

void X11Desktop::watchWheel(QWidget* window, std::function<void(int)> callback) {
    wheel_->watch(window, std::move(callback));
}

void X11Desktop::unwatchWheel(QWidget* window) {
    wheel_->unwatch(window);
}

void X11Desktop::endProgram() {
    QCoreApplication::exit(0);
}

} // namespace platform
