#include "RootPainter.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

xcb_connection_t* connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t root(xcb_connection_t* c) {
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

// Waits for the server to have handled everything sent so far.
void sync(xcb_connection_t* c) {
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

} // namespace

RootPainter::RootPainter(QPoint pointer, QRect square) : square_(square) {
    xcb_connection_t* c = connection();
    if (!c) return;
    xcb_warp_pointer(c, XCB_NONE, root(c), 0, 0, 0, 0, std::int16_t(pointer.x()),
                     std::int16_t(pointer.y()));
    gc_ = xcb_generate_id(c);
    xcb_create_gc(c, gc_, root(c), 0, nullptr);
    sync(c);
}

RootPainter::~RootPainter() {
    if (xcb_connection_t* c = connection(); c && gc_) {
        xcb_free_gc(c, gc_);
        xcb_flush(c);
    }
}

void RootPainter::next() {
    xcb_connection_t* c = connection();
    if (!c || !gc_) return;
    colour_ = (colour_ + 0x010305) & 0xFFFFFF;
    xcb_change_gc(c, gc_, XCB_GC_FOREGROUND, &colour_);
    const xcb_rectangle_t r{std::int16_t(square_.x()), std::int16_t(square_.y()),
                            std::uint16_t(square_.width()), std::uint16_t(square_.height())};
    xcb_poly_fill_rectangle(c, root(c), gc_, 1, &r);
    sync(c);
    QCoreApplication::processEvents();
}

void RootPainter::movePointer(QPoint at) {
    xcb_connection_t* c = connection();
    if (!c) return;
    xcb_warp_pointer(c, XCB_NONE, root(c), 0, 0, 0, 0, std::int16_t(at.x()), std::int16_t(at.y()));
    sync(c);
    QCoreApplication::processEvents();
}
