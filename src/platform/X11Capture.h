#pragma once

#include <QImage>
#include <QRect>

#include <memory>

namespace platform {

class OwnX11Connection;

// Screen capture over our own X connection: the pixels come through a
// shared-memory segment kept between captures (one request, no copy through
// the socket, no new pixmap per frame), and the Damage extension tells which
// parts of the screen were drawn since, so a caller can skip capturing a
// rectangle that did not change.
class X11Capture {
public:
    explicit X11Capture(OwnX11Connection& own);
    ~X11Capture();
    X11Capture(const X11Capture&) = delete;
    X11Capture& operator=(const X11Capture&) = delete;

    // False without X, without shared memory (a remote display) or before
    // QGuiApplication exists: the caller then captures some other way.
    bool available() const;

    // The pixels of rect into `out` (resized to rect's size when needed);
    // whatever lies outside the root window is black. False when the server
    // refused, with `out` left as it was.
    bool grab(const QRect& rect, QImage& out);

    // Watches rect for drawing as a grab does, without reading its pixels:
    // for pixels that the server shows us itself. Drawing wholly within
    // `own` (screen pixels) is our own showing of them and does not count.
    void watch(const QRect& rect, const QRect& own);

    // True when rect is the rectangle last grabbed or watched and nothing was drawn
    // inside it since; always false without the Damage extension.
    bool unchanged(const QRect& rect) const;
    // The same for the rectangle last grabbed or watched, from the reports
    // read so far; while `held`, the watch stays on even if nobody looks.
    bool lastUnchanged() const;
    void hold(bool held);

private:
    class Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace platform
