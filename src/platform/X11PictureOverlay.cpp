#include "X11PictureOverlay.h"
#include "X11Connection.h"

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <QHash>
#include <QRect>
#include <QSysInfo>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform {

namespace {

// The visual of `id` on the connection's first screen, or none.
const xcb_visualtype_t* visualOf(const xcb_setup_t* setup, xcb_visualid_t id) {
    for (auto s = xcb_setup_roots_iterator(setup); s.rem; xcb_screen_next(&s))
        for (auto d = xcb_screen_allowed_depths_iterator(s.data); d.rem; xcb_depth_next(&d))
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
                if (v.data->visual_id == id) return v.data;
    return nullptr;
}

std::uint8_t bitsPerPixel(const xcb_setup_t* setup, std::uint8_t depth) {
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == depth) return f.data->bits_per_pixel;
    return 0;
}

} // namespace

class X11PictureOverlay::Impl {
public:
    explicit Impl(OwnX11Connection& own) : own_(own), conn_(own.get()) {
        // Input shapes of the shape extension let the input through.
        if (conn_ && !ExtensionPresent(conn_, &xcb_shape_id)) conn_ = nullptr;
        if (conn_) listening_ = own_.listen([this](const xcb_generic_event_t* ev) { take(ev); });
    }

    ~Impl() {
        if (!conn_) return;
        own_.unlisten(listening_);
        for (const Shown& s : std::as_const(shown_))
            release(s);
        own_.flushSoon();
    }

    bool show(const void* who, xcb_window_t parent, QPoint at, const QImage& picture,
              QRect changed) {
        if (!conn_ || picture.isNull() || picture.format() != QImage::Format_RGB32) return false;
        const std::uint32_t bytes = std::uint32_t(picture.sizeInBytes());
        // One request per picture; a picture that needs more is not for this path.
        if (bytes + 64 > xcb_get_maximum_request_length(conn_) * 4u) return false;
        drain();
        Shown& s = shown_[who];
        const QRect rect(at, picture.size());
        if (s.parent != parent || s.window == XCB_NONE || s.rect.size() != rect.size()) {
            release(s);
            if (!make(s, parent, rect)) {
                shown_.remove(who);
                return false;
            }
            changed = picture.rect(); // the new pixmap holds nothing yet
        } else if (s.rect.topLeft() != at) {
            const std::uint32_t xy[] = {std::uint32_t(at.x()), std::uint32_t(at.y())};
            xcb_configure_window(conn_, s.window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, xy);
            s.rect = rect;
        }
        // Only the columns that changed go: a read-out's new figures, seldom
        // all of it, and small enough to leave with the tick's other requests.
        const auto [from, to] = changedColumns(s.shown, picture, changed & picture.rect());
        if (from >= to) return true;
        const int w = to - from, h = rect.height();
        const std::size_t words = std::size_t(w) * std::size_t(h);
        const auto* sent = reinterpret_cast<const std::uint32_t*>(picture.constBits());
        // Whole rows go as the picture holds them.
        if (w != picture.width() || picture.bytesPerLine() != w * 4) {
            if (columns_.size() < words) columns_.resize(words);
            for (int y = 0; y < h; ++y) {
                const auto* row = reinterpret_cast<const std::uint32_t*>(picture.constScanLine(y));
                std::copy(row + from, row + to, columns_.begin() + std::ptrdiff_t(y) * w);
            }
            sent = columns_.data();
        }
        xcb_put_image(conn_, XCB_IMAGE_FORMAT_Z_PIXMAP, s.pixmap, s.gc, std::uint16_t(w),
                      std::uint16_t(h), std::int16_t(from), 0, 0, s.depth, std::uint32_t(words * 4),
                      reinterpret_cast<const std::uint8_t*>(sent));
        // The server paints the window from its background, now and whenever
        // it is uncovered.
        xcb_clear_area(conn_, 0, s.window, std::int16_t(from), 0, std::uint16_t(w),
                       std::uint16_t(h));
        own_.flushSoon();
        if (s.shown.size() == picture.size()) {
            uchar* kept = s.shown.bits();
            const uchar* now = picture.constBits();
            for (int y = 0; y < h; ++y)
                std::memcpy(kept + y * s.shown.bytesPerLine() + from * 4,
                            now + y * picture.bytesPerLine() + from * 4, std::size_t(w) * 4);
        } else {
            s.shown = picture.copy();
        }
        return true;
    }

    void hide(const void* who) {
        if (!conn_) return;
        const auto it = shown_.find(who);
        if (it == shown_.end()) return;
        release(*it);
        shown_.erase(it);
        own_.flushSoon();
    }

private:
    struct Shown {
        xcb_window_t parent = XCB_NONE;
        xcb_window_t window = XCB_NONE;
        xcb_pixmap_t pixmap = XCB_NONE;
        xcb_gcontext_t gc = XCB_NONE;
        std::uint8_t depth = 0;
        QRect rect;
        QImage shown; // what the pixmap holds
    };

    bool make(Shown& s, xcb_window_t parent, const QRect& rect) {
        xcb_get_window_attributes_reply_t* a = xcb_get_window_attributes_reply(
            conn_, xcb_get_window_attributes(conn_, parent), nullptr);
        xcb_get_geometry_reply_t* g =
            xcb_get_geometry_reply(conn_, xcb_get_geometry(conn_, parent), nullptr);
        const xcb_setup_t* setup = xcb_get_setup(conn_);
        const xcb_visualtype_t* v = a ? visualOf(setup, a->visual) : nullptr;
        const std::uint8_t depth = g ? g->depth : 0;
        std::free(a);
        std::free(g);
        // The picture's bytes go as they are: 32 bits a pixel, red in bits
        // 16-23, in the server's byte order.
        if (!v || v->red_mask != 0xFF0000 || v->green_mask != 0xFF00 || v->blue_mask != 0xFF ||
            bitsPerPixel(setup, depth) != 32 ||
            setup->image_byte_order != (QSysInfo::ByteOrder == QSysInfo::LittleEndian
                                            ? XCB_IMAGE_ORDER_LSB_FIRST
                                            : XCB_IMAGE_ORDER_MSB_FIRST))
            return false;
        s.parent = parent;
        s.depth = depth;
        s.rect = rect;
        s.shown = QImage(); // the new pixmap holds nothing yet
        s.pixmap = xcb_generate_id(conn_);
        xcb_create_pixmap(conn_, depth, s.pixmap, parent, std::uint16_t(rect.width()),
                          std::uint16_t(rect.height()));
        // A GC of the pixmap's depth, made with it.
        s.gc = xcb_generate_id(conn_);
        xcb_create_gc(conn_, s.gc, s.pixmap, 0, nullptr);
        s.window = xcb_generate_id(conn_);
        const std::uint32_t values[] = {s.pixmap};
        xcb_create_window(conn_, XCB_COPY_FROM_PARENT, s.window, parent, std::int16_t(rect.x()),
                          std::int16_t(rect.y()), std::uint16_t(rect.width()),
                          std::uint16_t(rect.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXMAP, values);
        // Input passes through to the window under the picture.
        xcb_shape_rectangles(conn_, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT,
                             XCB_CLIP_ORDERING_UNSORTED, s.window, 0, 0, 0, nullptr);
        xcb_map_window(conn_, s.window);
        return true;
    }

    void release(const Shown& s) {
        // Gone already when the parent was destroyed: the errors are dropped.
        if (s.window != XCB_NONE) xcb_destroy_window(conn_, s.window);
        if (s.pixmap != XCB_NONE) xcb_free_pixmap(conn_, s.pixmap);
        if (s.gc != XCB_NONE) xcb_free_gc(conn_, s.gc);
    }

    // Takes the errors that arrived (a picture whose window went with its
    // parent is made again at its next show), without waiting.
    void drain() { own_.read(); }

    void take(const xcb_generic_event_t* ev) {
        if (ev->response_type != 0) return;
        const auto* e = reinterpret_cast<const xcb_generic_error_t*>(ev);
        for (Shown& s : shown_)
            if (e->resource_id == s.window) s.window = XCB_NONE;
    }

    // The columns [from, to) within `within` in which `now` differs from
    // `before`; all of them when the sizes differ.
    static std::pair<int, int> changedColumns(const QImage& before, const QImage& now,
                                              const QRect& within) {
        const int w = now.width(), h = now.height();
        if (before.size() != now.size()) return {0, w};
        if (within.isEmpty()) return {0, 0};
        const int left = within.left(), right = within.right() + 1;
        const qsizetype aLine = before.bytesPerLine(), bLine = now.bytesPerLine();
        int from = right, to = left; // what differs so far; it only widens
        for (int y = 0; y < h && (from > left || to < right); ++y) {
            const auto* a = reinterpret_cast<const std::uint32_t*>(before.constBits() + y * aLine);
            const auto* b = reinterpret_cast<const std::uint32_t*>(now.constBits() + y * bLine);
            // Only columns outside what already differs can widen it.
            const int l = std::min(from, right);
            if (l > left && std::memcmp(a + left, b + left, std::size_t(l - left) * 4) != 0) {
                int x = left;
                while (a[x] == b[x])
                    ++x;
                from = x, to = std::max(to, x + 1);
            }
            const int r = std::max(to, std::min(from, right));
            if (r < right && std::memcmp(a + r, b + r, std::size_t(right - r) * 4) != 0) {
                int x = right;
                while (a[x - 1] == b[x - 1])
                    --x;
                to = x, from = std::min(from, x - 1);
            }
        }
        return from < to ? std::pair<int, int>{from, to} : std::pair<int, int>{0, 0};
    }

    OwnX11Connection& own_;
    xcb_connection_t* conn_ = nullptr;
    int listening_ = 0;
    std::vector<std::uint32_t> columns_; // the part sent, kept between pictures
    QHash<const void*, Shown> shown_;
};

X11PictureOverlay::X11PictureOverlay(OwnX11Connection& own) : d_(std::make_unique<Impl>(own)) {}
X11PictureOverlay::~X11PictureOverlay() = default;

bool X11PictureOverlay::show(const void* who, unsigned parent, QPoint at, const QImage& picture,
                             const QRect& changed) {
    return d_->show(who, xcb_window_t(parent), at, picture, changed);
}
void X11PictureOverlay::hide(const void* who) {
    d_->hide(who);
}

} // namespace platform
