#include "X11HoverBatch.h"
#include "X11Connection.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <vector>

// Qt's entry for input that comes from outside its platform plugin (its
// test library drives windows through it). A move handed in here takes the
// path of the server's own: it cancels a pending double-click once the
// pointer went far, and it updates the toolkit's idea of the pointer.
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow* window, const QPointF& local, const QPointF& global,
                                      Qt::MouseButtons state, Qt::MouseButton button,
                                      QEvent::Type type, Qt::KeyboardModifiers mods, int timestamp);

namespace platform {

namespace {

constexpr std::uint32_t kMotion = XCB_INPUT_XI_EVENT_MASK_MOTION;
constexpr std::uint32_t kOurs =
    XCB_INPUT_XI_EVENT_MASK_MOTION | XCB_INPUT_XI_EVENT_MASK_ENTER | XCB_INPUT_XI_EVENT_MASK_LEAVE;

double fixed(xcb_input_fp1616_t v) {
    return double(v) / 65536.0;
}

} // namespace

class X11HoverBatch::Impl {
public:
    explicit Impl(OwnX11Connection& own) : own_(own), qt_(QtX11Connection()) {}

    ~Impl() {
        for (auto& [widget, h] : held_)
            release(h);
        if (listening_) own_.unlisten(listening_);
    }

    void hold(QWidget* window, const void* who, bool on) {
        if (!window) return;
        auto it = held_.find(window);
        if (!on) {
            if (it == held_.end()) return;
            it->second.who.erase(who);
            if (it->second.who.empty()) {
                release(it->second);
                held_.erase(it);
            }
            return;
        }
        if (it == held_.end()) {
            if (!ready()) return;
            it = held_.emplace(window, Held{}).first;
            it->second.widget = window;
        }
        it->second.who.insert(who);
        take(it->second);
    }

    void deliver(QWidget* window) {
        const auto it = held_.find(window);
        if (it == held_.end()) return;
        Held& h = it->second;
        take(h); // a window made anew since
        own_.read();
        const std::optional<QPointF> at = std::exchange(h.pending, std::nullopt);
        QWindow* handle = window->windowHandle();
        // A press or a popup since: the held motion is history.
        if (!at || !h.inside || !handle || QGuiApplication::mouseButtons() != Qt::NoButton ||
            QApplication::activePopupWidget())
            return;
        qt_handleMouseEvent(handle, *at, h.global, Qt::NoButton, Qt::NoButton, QEvent::MouseMove,
                            QGuiApplication::keyboardModifiers(), int(h.time));
    }

private:
    // One device's selection on a window: a device id and its mask words.
    struct Selection {
        xcb_input_device_id_t device = XCB_INPUT_DEVICE_ALL_MASTER;
        std::vector<std::uint32_t> bits;
    };

    struct Held {
        std::set<const void*> who;
        QPointer<QWidget> widget;
        xcb_window_t win = XCB_NONE;   // where the selections stand
        xcb_window_t tried = XCB_NONE; // the X window last looked at
        Selection qt;                  // what Qt selected there
        bool inside = false;
        std::optional<QPointF> pending;
        QPointF global;
        xcb_timestamp_t time = 0;
    };

    // The X window the widget has now, without making one: Qt makes a new
    // one when the window's flags change.
    static xcb_window_t xWindow(const QWidget* w) {
        const QWindow* handle = w ? w->windowHandle() : nullptr;
        return handle && handle->handle() ? xcb_window_t(handle->winId()) : XCB_NONE;
    }

    static Selection ours(bool on) { return {XCB_INPUT_DEVICE_ALL_MASTER, {on ? kOurs : 0}}; }

    bool ready() {
        if (tried_) return listening_ != 0;
        tried_ = true;
        xcb_connection_t* c = own_.get();
        if (!qt_ || !c || !ExtensionPresent(c, &xcb_input_id)) return false;
        // The server takes no XInput 2 request from a client that has not
        // told its version.
        auto* v = xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 0), nullptr);
        const bool two = v && v->major_version >= 2;
        std::free(v);
        if (!two) return false;
        opcode_ = xcb_get_extension_data(c, &xcb_input_id)->major_opcode;
        listening_ = own_.listen([this](const xcb_generic_event_t* ev) { arrived(ev); });
        return true;
    }

    static bool select(xcb_connection_t* c, xcb_window_t win, const Selection& s) {
        std::vector<std::uint32_t> request(1 + std::max<std::size_t>(1, s.bits.size()), 0);
        auto* head = reinterpret_cast<xcb_input_event_mask_t*>(request.data());
        head->deviceid = s.device;
        head->mask_len = std::uint16_t(request.size() - 1);
        std::copy(s.bits.begin(), s.bits.end(), request.begin() + 1);
        // Checked, so that each side's change stands before the other's: a
        // press must never meet a window where nobody selects motion.
        xcb_generic_error_t* e =
            xcb_request_check(c, xcb_input_xi_select_events_checked(c, win, 1, head));
        const bool ok = e == nullptr;
        std::free(e);
        return ok;
    }

    // What Qt's connection selected on win for all devices or all masters,
    // where that includes motion.
    std::optional<Selection> qtSelection(xcb_window_t win) {
        auto* r = xcb_input_xi_get_selected_events_reply(
            qt_, xcb_input_xi_get_selected_events(qt_, win), nullptr);
        if (!r) return std::nullopt;
        std::optional<Selection> found;
        for (auto it = xcb_input_xi_get_selected_events_masks_iterator(r); it.rem;
             xcb_input_event_mask_next(&it)) {
            const xcb_input_event_mask_t* m = it.data;
            if (m->mask_len == 0) continue;
            if (m->deviceid != XCB_INPUT_DEVICE_ALL && m->deviceid != XCB_INPUT_DEVICE_ALL_MASTER)
                continue;
            const std::uint32_t* bits = xcb_input_event_mask_mask(m);
            if (!(bits[0] & kMotion) || found) { // a second one: not a selection we know
                found.reset();
                break;
            }
            found = Selection{m->deviceid, std::vector<std::uint32_t>(bits, bits + m->mask_len)};
        }
        std::free(r);
        return found;
    }

    // Moves the motions of the window's current X window onto our connection.
    void take(Held& h) {
        const auto win = xWindow(h.widget);
        if (win == h.tried || win == XCB_NONE) return;
        h.tried = win;
        release(h);
        h.inside = false;
        h.pending.reset();
        const std::optional<Selection> qt = qtSelection(win);
        if (!qt) return; // Qt does not follow motions there as we know it
        Selection without = *qt;
        without.bits[0] &= ~kMotion;
        if (!select(own_.get(), win, ours(true))) return;
        if (!select(qt_, win, without)) {
            select(own_.get(), win, ours(false));
            return;
        }
        h.win = win;
        h.qt = *qt;
    }

    void release(Held& h) {
        if (h.win == XCB_NONE) return;
        // Gone already with its widget: both requests then fail harmlessly.
        if (xWindow(h.widget) == h.win) select(qt_, h.win, h.qt);
        select(own_.get(), h.win, ours(false));
        h.win = XCB_NONE;
    }

    void arrived(const xcb_generic_event_t* ev) {
        if ((ev->response_type & 0x7F) != XCB_GE_GENERIC) return;
        const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(ev);
        if (ge->extension != opcode_) return;
        if (ge->event_type == XCB_INPUT_MOTION) {
            const auto* m = reinterpret_cast<const xcb_input_motion_event_t*>(ev);
            if (Held* h = heldAt(m->event)) {
                h->inside = true;
                h->pending = QPointF(fixed(m->event_x), fixed(m->event_y));
                h->global = QPointF(fixed(m->root_x), fixed(m->root_y));
                h->time = m->time;
            }
        } else if (ge->event_type == XCB_INPUT_ENTER || ge->event_type == XCB_INPUT_LEAVE) {
            const auto* c = reinterpret_cast<const xcb_input_enter_event_t*>(ev);
            if (Held* h = heldAt(c->event)) {
                // Qt has the crossings themselves; a motion before a leave
                // would only bring the pointer back in its eyes.
                h->inside = ge->event_type == XCB_INPUT_ENTER;
                h->pending.reset();
            }
        }
    }

    Held* heldAt(xcb_window_t win) {
        for (auto& [widget, h] : held_)
            if (h.win == win) return &h;
        return nullptr;
    }

    OwnX11Connection& own_;
    xcb_connection_t* qt_ = nullptr;
    std::uint8_t opcode_ = 0;
    int listening_ = 0;
    bool tried_ = false;
    std::map<QWidget*, Held> held_;
};

X11HoverBatch::X11HoverBatch(OwnX11Connection& own) : d_(std::make_unique<Impl>(own)) {}
X11HoverBatch::~X11HoverBatch() = default;

void X11HoverBatch::hold(QWidget* window, const void* who, bool on) {
    d_->hold(window, who, on);
}

void X11HoverBatch::deliver(QWidget* window) {
    d_->deliver(window);
}

} // namespace platform
