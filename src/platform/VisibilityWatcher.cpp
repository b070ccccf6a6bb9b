#include "VisibilityWatcher.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>

namespace platform {

class VisibilityWatcher::Events : public QAbstractNativeEventFilter {
public:
    Events() {
        auto* x11 =
            qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
        conn_ = x11 ? x11->connection() : nullptr;
        if (conn_) QCoreApplication::instance()->installNativeEventFilter(this);
    }

    ~Events() override {
        if (QCoreApplication* app = QCoreApplication::instance())
            app->removeNativeEventFilter(this);
    }

    void watch(QWidget* window) {
        QWindow* h = window->windowHandle();
        if (!conn_ || !h) return;
        const auto win = xcb_window_t(h->winId());
        if (uncovered_.contains(win)) return;
        // Visibility reports added to the events Qt already takes from the
        // window (a selection replaces this client's earlier one).
        xcb_get_window_attributes_reply_t* a =
            xcb_get_window_attributes_reply(conn_, xcb_get_window_attributes(conn_, win), nullptr);
        if (!a) return;
        const std::uint32_t mask = a->your_event_mask | XCB_EVENT_MASK_VISIBILITY_CHANGE;
        // Qt makes a new native window at the first show of a window whose
        // stacking changed, so the one shown may be watched only now.
        const Seen seen = a->map_state == XCB_MAP_STATE_VIEWABLE ? Seen::Unknown : Seen::Covered;
        std::free(a);
        xcb_change_window_attributes(conn_, win, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(conn_);
        uncovered_.insert(win, seen);
    }

    bool uncovered(QWidget* window) {
        watch(window);
        QWindow* h = window->windowHandle();
        return h && window->isVisible() &&
               uncovered_.value(xcb_window_t(h->winId()), Seen::Covered) == Seen::Uncovered;
    }

    void raised(QWidget* window) {
        QWindow* h = window->windowHandle();
        if (!h) return;
        const auto it = uncovered_.find(xcb_window_t(h->winId()));
        if (it != uncovered_.end() && *it == Seen::Unknown) *it = Seen::Uncovered;
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        const auto* ev = static_cast<const xcb_generic_event_t*>(message);
        switch (ev->response_type & 0x7F) {
        case XCB_VISIBILITY_NOTIFY: {
            const auto* v = reinterpret_cast<const xcb_visibility_notify_event_t*>(ev);
            const auto it = uncovered_.find(v->window);
            if (it != uncovered_.end())
                *it = v->state == XCB_VISIBILITY_UNOBSCURED ? Seen::Uncovered : Seen::Covered;
            break;
        }
        case XCB_UNMAP_NOTIFY: { // the next map reports afresh
            const auto it =
                uncovered_.find(reinterpret_cast<const xcb_unmap_notify_event_t*>(ev)->window);
            if (it != uncovered_.end()) *it = Seen::Covered;
            break;
        }
        case XCB_DESTROY_NOTIFY:
            uncovered_.remove(reinterpret_cast<const xcb_destroy_notify_event_t*>(ev)->window);
            break;
        default:
            break;
        }
        return false; // Qt sees them as before
    }

private:
    enum class Seen { Covered, Uncovered, Unknown };
    xcb_connection_t* conn_ = nullptr;
    QHash<xcb_window_t, Seen> uncovered_;
};

VisibilityWatcher::VisibilityWatcher() = default;

VisibilityWatcher::~VisibilityWatcher() = default;

void VisibilityWatcher::watch(QWidget* window) {
    if (!events_) events_ = std::make_unique<Events>();
    events_->watch(window);
}

bool VisibilityWatcher::uncovered(QWidget* window) {
    if (!events_) events_ = std::make_unique<Events>();
    return events_->uncovered(window);
}

void VisibilityWatcher::raised(QWidget* window) {
    if (events_) events_->raised(window);
}

} // namespace platform
