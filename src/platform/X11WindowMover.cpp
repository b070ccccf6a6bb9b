#include "X11WindowMover.h"

#include "X11Connection.h"

#include <QWidget>
#include <QWindow>

#include <cstdint>
#include <cstdlib>

namespace platform {

namespace {

// What Qt hears of a window that it need not while the window follows the
// pointer: configures and property changes. Exposure, focus, input and
// visibility stay.
constexpr std::uint32_t kQuietened =
    XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;

// Changes Qt's own selection of events on win (a selection belongs to the
// connection that made it).
bool selectOnQt(xcb_connection_t* c, xcb_window_t win, bool quiet) {
    xcb_get_window_attributes_reply_t* a =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, win), nullptr);
    if (!a) return false;
    const std::uint32_t mask =
        quiet ? (a->your_event_mask & ~kQuietened) : (a->your_event_mask | kQuietened);
    std::free(a);
    xcb_change_window_attributes(c, win, XCB_CW_EVENT_MASK, &mask);
    return true;
}

} // namespace

bool X11WindowMover::move(QWidget* window, QPoint to, OwnX11Connection& own) {
    xcb_connection_t* c = QtX11Connection();
    QWindow* h = window->windowHandle();
    if (!c || !h || !h->isExposed()) return false;
    const auto win = xcb_window_t(h->winId());
    const auto it = quiet_.constFind(window);
    if (it == quiet_.cend() || it->win != win) {
        if (!selectOnQt(c, win, true)) return false;
    }
    quiet_.insert(window, {win, to});
    // An unmanaged window moves at once; a managed one's move goes to the
    // window manager, which moves its frame, as with Qt's own moves.
    const std::uint32_t xy[] = {std::uint32_t(to.x()), std::uint32_t(to.y())};
    if (xcb_connection_t* o = own.get()) {
        xcb_configure_window(o, win, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, xy);
        own.flushSoon();
    } else {
        xcb_configure_window(c, win, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, xy);
        xcb_flush(c);
    }
    return true;
}

void X11WindowMover::end(QWidget* window) {
    const auto it = quiet_.find(window);
    if (it == quiet_.end()) return;
    xcb_connection_t* c = QtX11Connection();
    QWindow* h = window->windowHandle();
    if (c && h && xcb_window_t(h->winId()) == it->win) selectOnQt(c, it->win, false);
    quiet_.erase(it);
}

QPoint X11WindowMover::topLeft(const QWidget* window) const {
    const auto it = quiet_.constFind(window);
    return it == quiet_.cend() ? window->pos() : it->at;
}

} // namespace platform
