#include "X11Capture.h"
#include "X11Connection.h"
#include "X11Desktop.h"
#include "X11PictureOverlay.h"
#include "X11ScreenLens.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QRegion>
#include <QScreen>
#include <QWidget>
#include <QWindow>

// The screen's pixels: captured for the program, or shown by the server;
// and pictures of ours that the server shows over our windows.

namespace platform {

namespace {

// The root window also holds pixels that no screen shows (the gaps beside a
// smaller screen): black there, as outside the root.
void BlackenGaps(QImage& image, const QRect& rect) {
    QRegion gaps(rect);
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect g = s->geometry();
        if (g.contains(rect)) return; // the usual case: nothing to do
        gaps -= g;
    }
    if (gaps.isEmpty()) return;
    QPainter p(&image);
    for (const QRect& r : gaps)
        p.fillRect(r.translated(-rect.topLeft()), Qt::black);
}

// True when part of rect lies on the root but on no screen, where the root
// keeps whatever was last drawn there.
bool CrossesGaps(const QRect& rect) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return false;
    QRegion gaps = QRegion(rect).intersected(primary->virtualGeometry());
    for (const QScreen* s : QGuiApplication::screens())
        gaps -= s->geometry();
    return !gaps.isEmpty();
}

} // namespace

QImage X11Desktop::captureScreen(const QRect& rect) {
    if (!rect.isEmpty() && QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (!capture_) capture_ = std::make_unique<X11Capture>(own());
        if (capture_->available() && capture_->grab(rect, captured_)) {
            BlackenGaps(captured_, rect);
            wakeScreenWaiters(); // the watch follows another rectangle now
            return captured_;
        }
    }
    QImage out(rect.size().expandedTo(QSize(0, 0)), QImage::Format_RGB32);
    out.fill(Qt::black);
    if (rect.isEmpty()) return out;
    // The root window also holds pixels that no screen shows (the gaps
    // between screens of different sizes), and a grab that leaves the root is
    // undefined: grab only what each screen shows and place it into the black
    // image.
    QPainter p(&out);
    for (QScreen* s : QGuiApplication::screens()) {
        const QRect g = s->geometry();
        const QRect visible = rect.intersected(g);
        if (visible.isEmpty()) continue;
        // The grab's coordinates are relative to the screen it is asked of.
        const QPixmap part = s->grabWindow(0, visible.x() - g.x(), visible.y() - g.y(),
                                           visible.width(), visible.height());
        if (!part.isNull()) p.drawPixmap(visible.topLeft() - rect.topLeft(), part);
    }
    return out;
}

bool X11Desktop::screenUnchanged(const QRect& rect) const {
    // An uncovered lens must be drawn again, whatever the screen did.
    return capture_ && capture_->unchanged(rect) && !(lens_ && lens_->exposed());
}

bool X11Desktop::showScreenStretched(QWidget* window, const QRect& target, const QRect& source,
                                     const QRect& clip) {
    const QWindow* h = window->windowHandle();
    if (!h || !window->isVisible() || QGuiApplication::platformName() != QLatin1String("xcb") ||
        CrossesGaps(source))
        return false;
    if (!lens_) lens_ = std::make_unique<X11ScreenLens>(own());
    if (!capture_) capture_ = std::make_unique<X11Capture>(own());
    // Watched before the lens draws, on the same connection: whatever lands
    // after the drawing, such as the window manager moving our window out of
    // the square, is reported and drawn again.
    capture_->watch(source, clip.translated(mover_.topLeft(window)));
    wakeScreenWaiters();
    return lens_->show(unsigned(h->winId()), target, source, clip);
}

bool X11Desktop::wakeAtScreenChange(const void* who, std::function<void()> changed) {
    if (!changed) {
        screenWaiters_.erase(who);
    } else {
        // Only a showing known unchanged up to now can be waited on: what
        // arrived since the last look is read first.
        if (!capture_ || !own_) return false;
        own_->read();
        if (!lastShownStill()) return false;
        screenWaiters_[who] = std::move(changed);
    }
    const bool waiting = !screenWaiters_.empty();
    if (capture_) capture_->hold(waiting);
    if (own_)
        own_->wakeOnArrival(waiting ? std::function<void()>([this] {
            if (!lastShownStill()) wakeScreenWaiters();
        })
                                    : std::function<void()>());
    return true;
}

bool X11Desktop::lastShownStill() {
    return capture_ && capture_->lastUnchanged() && !(lens_ && lens_->exposed());
}

void X11Desktop::wakeScreenWaiters() {
    if (screenWaiters_.empty()) return;
    auto woken = std::move(screenWaiters_);
    screenWaiters_.clear();
    capture_->hold(false);
    own_->wakeOnArrival({});
    for (auto& [who, changed] : woken)
        changed();
}

OwnX11Connection& X11Desktop::own() {
    if (!own_) own_ = std::make_unique<OwnX11Connection>();
    return *own_;
}

void X11Desktop::hideScreenStretched(QWidget* window) {
    (void)window;
    if (lens_) lens_->hide();
}

bool X11Desktop::showPictureOver(QWidget* window, const void* who, QPoint at, const QImage& picture,
                                 const QRect& changed) {
    const QWindow* h = window->windowHandle();
    if (!h || !window->isVisible() || QGuiApplication::platformName() != QLatin1String("xcb"))
        return false;
    if (!overlay_) overlay_ = std::make_unique<X11PictureOverlay>(own());
    return overlay_->show(who, unsigned(h->winId()), at, picture, changed);
}

void X11Desktop::hidePictureOver(const void* who) {
    if (overlay_) overlay_->hide(who);
}

} // namespace platform
