#pragma once

#include <xcb/xcb.h>

#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <memory>
#include <vector>

namespace platform {

// Qt's own X connection; nullptr off X11 or before the application exists.
xcb_connection_t* QtX11Connection();

// A connection of our own to the server Qt talks to, so that its replies and
// events wake nobody but its reader. nullptr without X11 or where the new
// connection would reach another server; the caller disconnects it.
xcb_connection_t* ConnectBesideQt();

// Whether the server of c has the extension.
bool ExtensionPresent(xcb_connection_t* c, xcb_extension_t* ext);

// The connection of our own that the capture, the lens and the pictures over
// windows share: the requests of one tick leave in one write, just before the
// program waits again, and in the order they were made; what arrives is read
// once a tick and handed to every listener.
class OwnX11Connection {
public:
    OwnX11Connection();
    ~OwnX11Connection();
    OwnX11Connection(const OwnX11Connection&) = delete;
    OwnX11Connection& operator=(const OwnX11Connection&) = delete;

    // nullptr without X11 (see ConnectBesideQt).
    xcb_connection_t* get() const { return conn_; }
    // Sends the requests made so far before the program next waits.
    void flushSoon();
    // Hands the events and errors that arrived to the listeners, without
    // waiting; the socket is read at most once a tick.
    void read();

    using Listener = std::function<void(const xcb_generic_event_t*)>;
    int listen(Listener l);
    void unlisten(int id);
    // While set, whatever arrives is read and handed to the listeners at
    // once, and then `arrived` is called: for a reader that rests instead of
    // looking once a tick. An empty function ends it.
    void wakeOnArrival(std::function<void()> arrived);

private:
    void hook();
    void dispatch(xcb_generic_event_t* ev);

    xcb_connection_t* conn_ = nullptr;
    QObject context_; // ends the wait hook with the connection
    bool hooked_ = false;
    bool pending_ = false; // requests wait for the flush
    bool readThisTick_ = false;
    int nextId_ = 0;
    std::vector<std::pair<int, Listener>> listeners_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> arrived_;
};

} // namespace platform
