#include "X11Capture.h"
#include "X11Connection.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <xcb/damage.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdlib>
#include <cstring>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace platform {

namespace {

// True when the root's pixels arrive as 32-bit words of 0x00RRGGBB, which is
// QImage::Format_RGB32 as it stands.
bool rootIsRgb32(xcb_connection_t* c, const xcb_screen_t* screen) {
    if (screen->root_depth != 24 && screen->root_depth != 32) return false;
    bool bpp32 = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(xcb_get_setup(c)); f.rem; xcb_format_next(&f))
        if (f.data->depth == screen->root_depth) bpp32 = f.data->bits_per_pixel == 32;
    if (!bpp32 || xcb_get_setup(c)->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) return false;
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem; xcb_depth_next(&d))
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
            if (v.data->visual_id == screen->root_visual)
                return v.data->red_mask == 0xFF0000 && v.data->green_mask == 0xFF00 &&
                       v.data->blue_mask == 0xFF;
    return false;
}

} // namespace

class X11Capture::Impl {
public:
    explicit Impl(OwnX11Connection& own) : own_(own), conn_(own.get()) {
        // Not Qt's connection: its replies and the damage reports wake
        // nobody, and are read when the capture needs them.
        if (!conn_ || !ExtensionPresent(conn_, &xcb_shm_id)) return;
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data;
        if (!rootIsRgb32(conn_, screen)) return;
        root_ = screen->root;
        if (!reserve(64 * 64 * 4)) return;
        damageKnown_ = startDamage();
        listening_ = own_.listen([this](const xcb_generic_event_t* ev) { takeDamage(ev); });
        // Unread damage reports would pile up in the server while nobody
        // captures; the watch ends after a quiet spell and restarts with the
        // next capture.
        quiet_.setInterval(kQuietMs);
        QObject::connect(&quiet_, &QTimer::timeout, [this] { endDamageIfQuiet(); });
    }

    ~Impl() {
        if (listening_) own_.unlisten(listening_);
        if (damage_ != XCB_NONE) xcb_damage_destroy(conn_, damage_);
        release();
        own_.flushSoon();
    }

    bool available() const { return seg_ != XCB_NONE; }

    bool grab(const QRect& rect, QImage& out) {
        if (!available()) return false;
        used_ = true;
        if (damageKnown_ && damage_ == XCB_NONE) createDamage();
        readDamage();
        if (out.size() != rect.size() || out.format() != QImage::Format_RGB32)
            out = QImage(rect.size(), QImage::Format_RGB32);
        if (out.isNull()) return false;
        // The root covers every screen; Qt knows its extent without asking.
        const QScreen* s = QGuiApplication::primaryScreen();
        const QRect visible = s ? rect.intersected(s->virtualGeometry()) : QRect();
        if (visible != rect) out.fill(Qt::black);
        ownShown_ = QRect();
        if (visible.isEmpty()) return rememberGrab(rect);
        // A small rectangle comes out of a block read around it, which serves
        // the next ones too while no report says it was drawn on: a moving
        // sample then costs a round trip every few ticks, not every tick.
        const bool small = damage_ != XCB_NONE && rect.width() <= kBlockSide / 4 &&
                           rect.height() <= kBlockSide / 4;
        if (!small || !blockGood_ || !block_.contains(visible)) {
            QRect from = visible;
            if (small)
                from = QRect(visible.center() - QPoint(kBlockSide / 2, kBlockSide / 2),
                             QSize(kBlockSide, kBlockSide))
                           .intersected(s->virtualGeometry());
            if (!readBlock(from, small ? from : rect)) return false;
            blockGood_ = small;
        }

        const QPoint at = visible.topLeft() - rect.topLeft();
        const auto* src = static_cast<const uchar*>(addr_);
        const qsizetype row = qsizetype(block_.width()) * 4;
        const QPoint in = visible.topLeft() - block_.topLeft();
        for (int y = 0; y < visible.height(); ++y)
            std::memcpy(out.scanLine(at.y() + y) + at.x() * 4,
                        src + (in.y() + y) * row + in.x() * 4, size_t(visible.width()) * 4);
        return rememberGrab(rect);
    }

    void watch(const QRect& rect, const QRect& own) {
        if (!conn_) return;
        used_ = true;
        if (damageKnown_ && damage_ == XCB_NONE) createDamage();
        readDamage();
        empty(rect);
        own_.flushSoon();
        ownShown_ = own;
        rememberGrab(rect);
    }

    bool unchanged(const QRect& rect) {
        used_ = true;
        readDamage();
        return lastUnchanged() && rect == last_;
    }

    bool lastUnchanged() const { return damage_ != XCB_NONE && haveGrab_ && emptied_ && !damaged_; }
    void hold(bool held) { held_ = held; }

private:
    static constexpr int kQuietMs = 2000;
    static constexpr int kBlockSide = 128;

    // Takes the reports that arrived since the last look, without waiting.
    void readDamage() { own_.read(); }

    void takeDamage(const xcb_generic_event_t* ev) {
        if ((ev->response_type & 0x7F) != damageEvent_) return;
        const auto* n = reinterpret_cast<const xcb_damage_notify_event_t*>(ev);
        const QRect area(n->area.x, n->area.y, n->area.width, n->area.height);
        if (n->damage != damage_) return;
        if (area.intersects(last_) && !ownShown_.contains(area)) damaged_ = true;
        if (area.intersects(block_)) blockGood_ = false;
    }

    void createDamage() {
        damage_ = xcb_generate_id(conn_);
        xcb_damage_create(conn_, damage_, root_, XCB_DAMAGE_REPORT_LEVEL_DELTA_RECTANGLES);
        haveGrab_ = false; // nothing was watched before this
        blockGood_ = false;
        quiet_.start();
    }

    void endDamageIfQuiet() {
        if (used_ || held_) {
            used_ = false;
            return;
        }
        quiet_.stop();
        xcb_damage_destroy(conn_, damage_);
        own_.flushSoon();
        damage_ = XCB_NONE;
        haveGrab_ = false;
        blockGood_ = false;
        readDamage(); // what came before the end
    }

    // Empties the watch for a square that stays where it was. A square that
    // moves is read or shown anew on the next tick anyway, and a watch left
    // full spares the server a report of each of our own frames; the first
    // tick that finds the square still then reads it once more and empties.
    void empty(const QRect& rect) {
        emptied_ = haveGrab_ && rect == last_;
        if (emptied_ && damage_ != XCB_NONE)
            xcb_damage_subtract(conn_, damage_, XCB_NONE, XCB_NONE);
    }

    // The root's pixels in `from` into the segment. The watch is emptied
    // first, so that whatever is drawn from here on is reported, even when it
    // lands before the copy; for `watched` as a whole when it is a block.
    bool readBlock(const QRect& from, const QRect& watched) {
        blockGood_ = false;
        const qsizetype bytes = qsizetype(from.width()) * from.height() * 4;
        if (bytes > size_ && !reserve(bytes)) return false;
        if (watched == from && damage_ != XCB_NONE) {
            xcb_damage_subtract(conn_, damage_, XCB_NONE, XCB_NONE);
            emptied_ = true;
        } else {
            empty(watched);
        }
        const auto cookie =
            xcb_shm_get_image(conn_, root_, std::int16_t(from.x()), std::int16_t(from.y()),
                              std::uint16_t(from.width()), std::uint16_t(from.height()), ~0u,
                              XCB_IMAGE_FORMAT_Z_PIXMAP, seg_, 0);
        xcb_shm_get_image_reply_t* reply = xcb_shm_get_image_reply(conn_, cookie, nullptr);
        if (!reply) return false;
        std::free(reply);
        block_ = from;
        return true;
    }

    bool rememberGrab(const QRect& rect) {
        last_ = rect;
        haveGrab_ = true;
        damaged_ = false;
        return true;
    }

    // A segment of at least `bytes`, attached to the server; the kernel drops
    // it when both sides let go, also if the program dies.
    bool reserve(qsizetype bytes) {
        release();
        const int id = shmget(IPC_PRIVATE, size_t(bytes), IPC_CREAT | 0600);
        if (id < 0) return false;
        void* addr = shmat(id, nullptr, 0);
        if (addr == reinterpret_cast<void*>(-1)) {
            shmctl(id, IPC_RMID, nullptr);
            return false;
        }
        const xcb_shm_seg_t seg = xcb_generate_id(conn_);
        xcb_generic_error_t* err =
            xcb_request_check(conn_, xcb_shm_attach_checked(conn_, seg, std::uint32_t(id), 0));
        shmctl(id, IPC_RMID, nullptr);
        if (err) { // a server on another machine cannot see our memory
            std::free(err);
            shmdt(addr);
            return false;
        }
        seg_ = seg;
        addr_ = addr;
        size_ = bytes;
        return true;
    }

    void release() {
        if (seg_ != XCB_NONE) xcb_shm_detach(conn_, seg_);
        if (addr_) shmdt(addr_);
        seg_ = XCB_NONE;
        addr_ = nullptr;
        size_ = 0;
        blockGood_ = false;
    }

    // Reports of every new part of the root that is drawn on, so a capture of
    // a rectangle nobody drew on can be skipped. False without the extension.
    bool startDamage() {
        if (!ExtensionPresent(conn_, &xcb_damage_id)) return false;
        const std::uint8_t first = xcb_get_extension_data(conn_, &xcb_damage_id)->first_event;
        // Damage needs the client to name its versions (of XFixes too, whose
        // regions it uses) before any other request.
        std::free(xcb_xfixes_query_version_reply(
            conn_,
            xcb_xfixes_query_version(conn_, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
            nullptr));
        xcb_damage_query_version_reply_t* v = xcb_damage_query_version_reply(
            conn_,
            xcb_damage_query_version(conn_, XCB_DAMAGE_MAJOR_VERSION, XCB_DAMAGE_MINOR_VERSION),
            nullptr);
        if (!v) return false;
        std::free(v);
        damageEvent_ = std::uint8_t(first + XCB_DAMAGE_NOTIFY);
        return true;
    }

    OwnX11Connection& own_;
    xcb_connection_t* conn_ = nullptr;
    int listening_ = 0;
    xcb_window_t root_ = XCB_NONE;
    xcb_shm_seg_t seg_ = XCB_NONE;
    void* addr_ = nullptr;
    qsizetype size_ = 0;
    xcb_damage_damage_t damage_ = XCB_NONE;
    std::uint8_t damageEvent_ = 0;
    bool damageKnown_ = false; // the server has the Damage extension
    bool used_ = false;        // a capture or a look since the last quiet check
    bool held_ = false;        // somebody rests on the watch's reports
    QTimer quiet_;
    QRect last_;
    QRect ownShown_; // where the server shows the watched pixels for us
    bool haveGrab_ = false;
    bool damaged_ = true;
    bool emptied_ = false;   // at the last grab or watch of last_
    QRect block_;            // what the segment holds, in root pixels
    bool blockGood_ = false; // and nothing was reported drawn there since
};

X11Capture::X11Capture(OwnX11Connection& own) : d_(std::make_unique<Impl>(own)) {}

X11Capture::~X11Capture() = default;

bool X11Capture::available() const {
    return d_->available();
}

bool X11Capture::grab(const QRect& rect, QImage& out) {
    return d_->grab(rect, out);
}

void X11Capture::watch(const QRect& rect, const QRect& own) {
    d_->watch(rect, own);
}

bool X11Capture::unchanged(const QRect& rect) const {
    // Reads the reports that arrived meanwhile; the answer stays the same.
    return d_->unchanged(rect);
}

bool X11Capture::lastUnchanged() const {
    return d_->lastUnchanged();
}

void X11Capture::hold(bool held) {
    d_->hold(held);
}

} // namespace platform
