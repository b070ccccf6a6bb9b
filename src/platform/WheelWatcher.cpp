#include "WheelWatcher.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>
#include <xcb/xinput.h>

namespace platform {

namespace {

// X buttons of the wheel.
constexpr std::uint32_t kWheelAway = 4;
constexpr std::uint32_t kWheelTowards = 5;

} // namespace

// Raw button presses reach the root window whatever window is under the
// pointer and are not consumed by anyone, so the wheel still counts while
// the pointer lies beside the active window.
class WheelWatcher::RawEvents : public QAbstractNativeEventFilter {
public:
    explicit RawEvents(WheelWatcher& owner) : owner_(owner) {
        auto* x11 =
            qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
        conn_ = x11 ? x11->connection() : nullptr;
        if (!conn_) return;
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(conn_, &xcb_input_id);
        if (!ext || !ext->present) {
            conn_ = nullptr;
            return;
        }
        opcode_ = ext->major_opcode;
        root_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    ~RawEvents() override {
        select(false);
        if (QCoreApplication* app = QCoreApplication::instance())
            app->removeNativeEventFilter(this);
    }

    // Qt's connection already speaks XInput 2 (Qt negotiated the version).
    // The mask is set for the master devices only: Qt keeps its own mask on
    // the root for all devices, and a selection is per device id, so Qt's
    // stays as it is.
    void select(bool on) {
        if (!conn_ || on == selected_) return;
        struct {
            xcb_input_event_mask_t head;
            std::uint32_t bits;
        } mask{};
        mask.head.deviceid = XCB_INPUT_DEVICE_ALL_MASTER;
        mask.head.mask_len = 1;
        mask.bits = on ? XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS : 0;
        xcb_input_xi_select_events(conn_, root_, 1, &mask.head);
        xcb_flush(conn_);
        selected_ = on;
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (!selected_ || type != "xcb_generic_event_t") return false;
        const auto* ev = static_cast<const xcb_generic_event_t*>(message);
        if ((ev->response_type & 0x7F) != XCB_GE_GENERIC) return false;
        const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(ev);
        if (ge->extension != opcode_ || ge->event_type != XCB_INPUT_RAW_BUTTON_PRESS) return false;
        const auto* raw = reinterpret_cast<const xcb_input_raw_button_press_event_t*>(ev);
        if (raw->detail == kWheelTowards)
            owner_.deliver(+1);
        else if (raw->detail == kWheelAway)
            owner_.deliver(-1);
        return false; // Qt goes on with the event as usual
    }

private:
    WheelWatcher& owner_;
    xcb_connection_t* conn_ = nullptr;
    std::uint8_t opcode_ = 0;
    xcb_window_t root_ = XCB_WINDOW_NONE;
    bool selected_ = false;
};

WheelWatcher::WheelWatcher() = default;

WheelWatcher::~WheelWatcher() = default;

void WheelWatcher::watch(QWidget* window, std::function<void(int)> callback) {
    watchers_[window] = std::move(callback);
    listen(true);
}

void WheelWatcher::unwatch(QWidget* window) {
    watchers_.remove(window);
    // Nobody watching: stop receiving every click of the whole display.
    if (watchers_.isEmpty()) listen(false);
}

void WheelWatcher::listen(bool on) {
    if (on && !raw_ && QCoreApplication::instance()) raw_ = std::make_unique<RawEvents>(*this);
    if (raw_) raw_->select(on);
}

void WheelWatcher::deliver(int notch) {
    const auto it = watchers_.constFind(QApplication::activeWindow());
    if (it == watchers_.constEnd() || !*it) return;
    // A copy: the callback may unwatch its window.
    const std::function<void(int)> callback = *it;
    callback(notch);
}

} // namespace platform
