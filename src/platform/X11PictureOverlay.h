#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

#include <memory>

namespace platform {

class OwnX11Connection;

// Pictures of ours laid over a window, each in an input-transparent child
// window whose background the server repaints by itself: a read-out that
// changes on every tick costs one image sent, without the toolkit's repaint
// and flush, and an uncovered picture needs no redraw from us.
class X11PictureOverlay {
public:
    explicit X11PictureOverlay(OwnX11Connection& own);
    ~X11PictureOverlay();
    X11PictureOverlay(const X11PictureOverlay&) = delete;
    X11PictureOverlay& operator=(const X11PictureOverlay&) = delete;

    // Shows `picture` for `who` at `at` in the X window `parent` (its pixels),
    // replacing what `who` showed before, from which only its `changed` part
    // can differ. False without X, or where the window's pixels are not
    // 32-bit xRGB as the picture's are.
    bool show(const void* who, unsigned parent, QPoint at, const QImage& picture,
              const QRect& changed);
    void hide(const void* who);

private:
    class Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace platform
