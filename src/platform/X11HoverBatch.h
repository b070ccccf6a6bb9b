#pragma once

#include <memory>

class QWidget;

namespace platform {

class OwnX11Connection;

// Pointer motions over a window, with no button held, taken from Qt's
// connection onto one of ours while a poller of the window ticks: Qt then
// gets the latest of them at each tick, and a pointer crossing the window
// no longer wakes the program for every motion. Drags are not touched: the
// server gives the grab of a press every kind of event that any client
// selected on the window, so Qt's presses still bring their motions.
class X11HoverBatch {
public:
    explicit X11HoverBatch(OwnX11Connection& own);
    ~X11HoverBatch();
    X11HoverBatch(const X11HoverBatch&) = delete;
    X11HoverBatch& operator=(const X11HoverBatch&) = delete;

    // One hold per `who`; the window's motions are held while any is on.
    void hold(QWidget* window, const void* who, bool on);
    // Hands Qt the latest held motion over `window`, if the pointer is still
    // there and no button or popup took it since.
    void deliver(QWidget* window);

private:
    class Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace platform
