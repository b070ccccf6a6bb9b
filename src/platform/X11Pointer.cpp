#include "X11Pointer.h"
#include "X11Connection.h"

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>
#include <QTimer>

#include <xcb/record.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <cstdint>
#include <cstdlib>
#include <map>

namespace platform {

namespace {

// Categories of the recorded stream's replies.
constexpr std::uint8_t kFromServer = 0;
constexpr std::uint8_t kFromClient = 1;
constexpr std::uint8_t kStartOfData = 4;
constexpr std::uint8_t kEndOfData = 5;

constexpr int kEventSize = 32;

} // namespace

class X11PointerTracker::Impl {
public:
    ~Impl() {
        notifier_.reset();
        if (data_) xcb_disconnect(data_);
        if (ctl_) xcb_disconnect(ctl_); // frees the context with it
    }

    bool open() {
        ctl_ = ConnectBesideQt();
        data_ = ConnectBesideQt();
        if (!ctl_ || !data_) return false;
        if (!ExtensionPresent(ctl_, &xcb_record_id)) return false;
        root_ = xcb_setup_roots_iterator(xcb_get_setup(ctl_)).data->root;

        // Every pointer motion from every device, and our own pointer queries,
        // which mark in the stream the moment a query was answered.
        context_ = xcb_generate_id(ctl_);
        const xcb_record_client_spec_t everybody = XCB_RECORD_CS_ALL_CLIENTS;
        xcb_record_range_t motion{};
        motion.device_events.first = motion.device_events.last = XCB_MOTION_NOTIFY;
        const xcb_record_client_spec_t self = xcb_get_setup(ctl_)->resource_id_base;
        xcb_record_range_t query{};
        query.core_requests.first = query.core_requests.last = XCB_QUERY_POINTER;
        const xcb_void_cookie_t made =
            xcb_record_create_context_checked(ctl_, context_, 0, 1, 1, &everybody, &motion);
        const xcb_void_cookie_t added =
            xcb_record_register_clients_checked(ctl_, context_, 0, 1, 1, &self, &query);
        const bool madeOk = succeeded(xcb_request_check(ctl_, made));
        if (!succeeded(xcb_request_check(ctl_, added)) || !madeOk) return false;

        notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(data_),
                                                      QSocketNotifier::Read);
        notifier_->setEnabled(false);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { motionArrived(); });
        // Nobody reading for a while: the recording stops rather than pile up
        // in the server, and starts again at the next read.
        unread_.setInterval(kUnreadMs);
        QObject::connect(&unread_, &QTimer::timeout, [this] { stopIfUnread(); });
        record();
        return true;
    }

    std::optional<QPoint> position() {
        read_ = true;
        // A timer's look at the scene and its handler's read come in one pass
        // of the event loop and find the same stream: one socket read.
        if (!drainedThisPass_) {
            drain();
            markDrained();
        }
        switch (state_) {
        case State::Stopped:
            record();
            return std::nullopt;
        case State::Unsynced:
            return sync();
        case State::Synced:
            return pos_;
        default:
            return std::nullopt;
        }
    }

    bool wakeAtMotion(const void* who, std::function<void()> moved) {
        if (!moved) {
            waiters_.erase(who);
        } else {
            drain();
            if (state_ != State::Unsynced && state_ != State::Syncing && state_ != State::Synced)
                return false;
            waiters_[who] = std::move(moved);
        }
        const bool waiting = !waiters_.empty();
        notifier_->setEnabled(waiting);
        if (waiting)
            unread_.stop();
        else if (!unread_.isActive())
            unread_.start();
        return true;
    }

private:
    enum class State { Starting, Unsynced, Syncing, Synced, Stopping, Stopped, Dead };
    static constexpr int kUnreadMs = 2000;

    static bool succeeded(xcb_generic_error_t* e) {
        const bool ok = e == nullptr;
        std::free(e);
        return ok;
    }

    void record() {
        stream_ = xcb_record_enable_context(data_, context_).sequence;
        xcb_flush(data_);
        state_ = State::Starting;
        read_ = true;
        unread_.start();
    }

    void stopIfUnread() {
        if (read_ || !waiters_.empty()) {
            read_ = false;
            return;
        }
        unread_.stop();
        if (state_ == State::Dead || state_ == State::Stopping || state_ == State::Stopped) return;
        xcb_record_disable_context(ctl_, context_);
        xcb_flush(ctl_);
        state_ = State::Stopping;
    }

    // Asks the server once. The recorded query shows where in the stream the
    // answer belongs: motions before it are older, motions after it newer.
    std::optional<QPoint> sync() {
        xcb_query_pointer_reply_t* r =
            xcb_query_pointer_reply(ctl_, xcb_query_pointer(ctl_, root_), nullptr);
        if (!r) {
            die();
            return std::nullopt;
        }
        const bool here = r->same_screen;
        syncPos_ = QPoint(r->root_x, r->root_y);
        std::free(r);
        // This connection asks nothing else; whatever else came is dropped.
        while (xcb_generic_event_t* e = xcb_poll_for_event(ctl_))
            std::free(e);
        if (!here) return std::nullopt;
        state_ = State::Syncing;
        drain();
        return state_ == State::Synced ? pos_ : syncPos_;
    }

    void markDrained() {
        drainedThisPass_ = true;
        if (hooked_) return;
        QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance();
        if (!d) {
            drainedThisPass_ = false; // no loop to tell the passes apart
            return;
        }
        hooked_ = true;
        QObject::connect(d, &QAbstractEventDispatcher::aboutToBlock, &passes_,
                         [this] { drainedThisPass_ = false; });
    }

    void motionArrived() {
        const std::uint64_t before = motions_;
        drain();
        if (motions_ == before && state_ != State::Dead) return;
        notifier_->setEnabled(false);
        unread_.start();
        // A waiter may wait again from inside its call.
        auto woken = std::move(waiters_);
        waiters_.clear();
        for (auto& [who, moved] : woken)
            moved();
    }

    void drain() {
        if (state_ == State::Dead || state_ == State::Stopped) return;
        void* reply = nullptr;
        xcb_generic_error_t* error = nullptr;
        while (state_ != State::Stopped && xcb_poll_for_reply(data_, stream_, &reply, &error)) {
            // An error, or a recording that ended without saying so.
            if (error || !reply) {
                std::free(error);
                die();
                return;
            }
            take(static_cast<xcb_record_enable_context_reply_t*>(reply));
            std::free(reply);
        }
        if (xcb_connection_has_error(data_)) die();
    }

    void take(xcb_record_enable_context_reply_t* r) {
        const std::uint8_t* bytes = xcb_record_enable_context_data(r);
        const int length = xcb_record_enable_context_data_length(r);
        if (r->category == kStartOfData && state_ == State::Starting) state_ = State::Unsynced;
        if (r->category == kEndOfData) state_ = State::Stopped;
        if (r->client_swapped) return; // only ever our own byte order here
        if (r->category == kFromClient) {
            // Only our own queries are recorded from clients.
            if (state_ == State::Syncing) {
                pos_ = syncPos_;
                state_ = State::Synced;
            }
            return;
        }
        if (r->category != kFromServer) return;
        for (int at = 0; at + kEventSize <= length; at += kEventSize) {
            const auto* e = reinterpret_cast<const xcb_motion_notify_event_t*>(bytes + at);
            if ((e->response_type & 0x7F) != XCB_MOTION_NOTIFY) continue;
            ++motions_;
            // Recorded motions carry the root but leave same_screen unset.
            if (e->root != root_) {
                // On another X screen: root pixels of ours say nothing there.
                if (state_ == State::Synced || state_ == State::Syncing) state_ = State::Unsynced;
            } else if (state_ == State::Synced) {
                pos_ = QPoint(e->root_x, e->root_y);
            }
        }
    }

    void die() {
        state_ = State::Dead;
        if (notifier_) notifier_->setEnabled(false);
        unread_.stop();
        // Waiters are woken so that they go back to asking.
        auto woken = std::move(waiters_);
        waiters_.clear();
        for (auto& [who, moved] : woken)
            moved();
    }

    xcb_connection_t* ctl_ = nullptr;  // owns the context, asks for syncs
    xcb_connection_t* data_ = nullptr; // carries the recording, asks nothing
    xcb_window_t root_ = XCB_NONE;
    xcb_record_context_t context_ = 0;
    unsigned int stream_ = 0; // the request whose replies are the recording
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer unread_;
    bool read_ = false; // position() was called since the last look
    State state_ = State::Starting;
    QPoint pos_;
    QPoint syncPos_;
    std::uint64_t motions_ = 0;
    bool drainedThisPass_ = false;
    bool hooked_ = false;
    QObject passes_; // ends the loop hook with the tracker
    std::map<const void*, std::function<void()>> waiters_;
};

std::unique_ptr<X11PointerTracker> X11PointerTracker::start() {
    auto d = std::make_unique<Impl>();
    if (!d->open()) return nullptr;
    return std::unique_ptr<X11PointerTracker>(new X11PointerTracker(std::move(d)));
}

X11PointerTracker::X11PointerTracker(std::unique_ptr<Impl> d) : d_(std::move(d)) {}
X11PointerTracker::~X11PointerTracker() = default;

std::optional<QPoint> X11PointerTracker::position() {
    return d_->position();
}

bool X11PointerTracker::wakeAtMotion(const void* who, std::function<void()> moved) {
    return d_->wakeAtMotion(who, std::move(moved));
}

} // namespace platform
