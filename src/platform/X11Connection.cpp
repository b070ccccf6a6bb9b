#include "X11Connection.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

namespace platform {

namespace {

xcb_window_t firstRoot(xcb_connection_t* c) {
    const xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    return s ? s->root : XCB_NONE;
}

} // namespace

xcb_connection_t* QtX11Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_connection_t* ConnectBesideQt() {
    xcb_connection_t* qt = QtX11Connection();
    if (!qt) return nullptr;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    // The same root tells that both reach Qt's server, whatever chose it.
    if (xcb_connection_has_error(c) || firstRoot(c) == XCB_NONE || firstRoot(c) != firstRoot(qt)) {
        xcb_disconnect(c);
        return nullptr;
    }
    return c;
}

bool ExtensionPresent(xcb_connection_t* c, xcb_extension_t* ext) {
    const xcb_query_extension_reply_t* r = xcb_get_extension_data(c, ext);
    return r && r->present;
}

} // namespace platform
