#pragma once

#include <QRect>

#include <memory>

namespace platform {

class OwnX11Connection;

// The screen shown enlarged in a window of ours by the X server itself: a
// child window of ours, input-transparent, into which the RENDER extension
// stretches the root's pixels without smoothing. The program neither reads
// nor sends the pixels, and nothing waits for the server.
class X11ScreenLens {
public:
    explicit X11ScreenLens(OwnX11Connection& own);
    ~X11ScreenLens();
    X11ScreenLens(const X11ScreenLens&) = delete;
    X11ScreenLens& operator=(const X11ScreenLens&) = delete;

    // False without X or without RENDER 0.6 (transforms and filters).
    bool available() const;
    // Shows `source` (root pixels) stretched over `target` in the X window
    // `parent`, within `clip` only (both in the parent's pixels).
    bool show(unsigned parent, const QRect& target, const QRect& source, const QRect& clip);
    void hide();
    // True when the shown lens was uncovered since it was last drawn, so the
    // next show must draw even an unchanged screen.
    bool exposed();

private:
    class Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace platform
