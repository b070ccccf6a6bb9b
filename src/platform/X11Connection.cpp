#include "X11Connection.h"

#include <QAbstractEventDispatcher>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <cstdlib>

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

OwnX11Connection::OwnX11Connection() : conn_(ConnectBesideQt()) {}

OwnX11Connection::~OwnX11Connection() {
    notifier_.reset();
    if (conn_) xcb_disconnect(conn_);
}

void OwnX11Connection::hook() {
    if (hooked_) return;
    QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance();
    if (!d) return;
    hooked_ = true;
    QObject::connect(d, &QAbstractEventDispatcher::aboutToBlock, &context_, [this] {
        readThisTick_ = false;
        if (!pending_) return;
        pending_ = false;
        xcb_flush(conn_);
    });
}

void OwnX11Connection::flushSoon() {
    if (!conn_) return;
    hook();
    if (!hooked_) {
        xcb_flush(conn_);
        return;
    }
    pending_ = true;
}

void OwnX11Connection::read() {
    if (!conn_) return;
    hook();
    // One look at the socket a tick; what it brought is queued.
    if (!readThisTick_) {
        readThisTick_ = hooked_;
        if (xcb_generic_event_t* ev = xcb_poll_for_event(conn_)) dispatch(ev);
    }
    while (xcb_generic_event_t* ev = xcb_poll_for_queued_event(conn_))
        dispatch(ev);
}

void OwnX11Connection::dispatch(xcb_generic_event_t* ev) {
    for (const auto& [id, l] : listeners_)
        l(ev);
    std::free(ev);
}

void OwnX11Connection::wakeOnArrival(std::function<void()> arrived) {
    arrived_ = std::move(arrived);
    if (!conn_) return;
    if (!notifier_) {
        notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(conn_),
                                                      QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, &context_, [this] {
            // A broken connection stays readable: nothing more will come.
            if (xcb_connection_has_error(conn_)) notifier_->setEnabled(false);
            readThisTick_ = false;
            read();
            if (std::function<void()> f = arrived_) f();
        });
    }
    notifier_->setEnabled(bool(arrived_) && !xcb_connection_has_error(conn_));
}

int OwnX11Connection::listen(Listener l) {
    listeners_.emplace_back(++nextId_, std::move(l));
    return nextId_;
}

void OwnX11Connection::unlisten(int id) {
    std::erase_if(listeners_, [id](const auto& e) { return e.first == id; });
}

} // namespace platform
