#pragma once

#include <QRect>

#include <cstdint>

// Fills a square of the root window in a new colour on every call, so each
// tick of a magnifier or a grab over it sees a changed screen and draws a
// whole frame rather than skipping a still one. Also puts the pointer at a
// given place first. Needs the X connection of a QGuiApplication on xcb.
class RootPainter {
public:
    RootPainter(QPoint pointer, QRect square);
    ~RootPainter();
    RootPainter(const RootPainter&) = delete;
    RootPainter& operator=(const RootPainter&) = delete;

    // Draws the next colour and returns once the server has drawn it and
    // its report of the change has been handled.
    void next();
    // Puts the pointer at `at` and returns once the server has moved it.
    void movePointer(QPoint at);

private:
    QRect square_;
    std::uint32_t gc_ = 0;
    std::uint32_t colour_ = 0;
};
