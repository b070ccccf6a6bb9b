#include "X11ScreenLens.h"
#include "X11Connection.h"

#include <xcb/render.h>
#include <xcb/shape.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdint>
#include <cstdlib>

namespace platform {

namespace {

xcb_render_fixed_t fixed(double v) {
    return xcb_render_fixed_t(std::int32_t(v * 65536.0));
}

// The picture format of `visual`, or none.
xcb_render_pictformat_t formatOf(const xcb_render_query_pict_formats_reply_t* r,
                                 xcb_visualid_t visual) {
    for (auto s = xcb_render_query_pict_formats_screens_iterator(r); s.rem;
         xcb_render_pictscreen_next(&s))
        for (auto d = xcb_render_pictscreen_depths_iterator(s.data); d.rem;
             xcb_render_pictdepth_next(&d))
            for (auto v = xcb_render_pictdepth_visuals_iterator(d.data); v.rem;
                 xcb_render_pictvisual_next(&v))
                if (v.data->visual == visual) return v.data->format;
    return XCB_NONE;
}

} // namespace

class X11ScreenLens::Impl {
public:
    explicit Impl(OwnX11Connection& own) : own_(own), conn_(own.get()) {
        // Not Qt's connection: the lens's exposures wake nobody, and are
        // read when the next tick asks.
        if (!conn_) return;
        if (!ExtensionPresent(conn_, &xcb_render_id)) return;
        xcb_render_query_version_reply_t* v =
            xcb_render_query_version_reply(conn_, xcb_render_query_version(conn_, 0, 11), nullptr);
        const bool transforms = v && (v->major_version > 0 || v->minor_version >= 6);
        std::free(v);
        if (!transforms) return;
        formats_ = xcb_render_query_pict_formats_reply(conn_, xcb_render_query_pict_formats(conn_),
                                                       nullptr);
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data;
        const xcb_render_pictformat_t rootFormat =
            formats_ ? formatOf(formats_, screen->root_visual) : XCB_NONE;
        if (rootFormat == XCB_NONE) return;
        // Input passes through the lens to the window under it.
        std::free(
            xcb_xfixes_query_version_reply(conn_, xcb_xfixes_query_version(conn_, 2, 0), nullptr));
        noInput_ = xcb_generate_id(conn_);
        xcb_xfixes_create_region(conn_, noInput_, 0, nullptr);
        // The root with every window on it, as the screen shows it.
        rootPicture_ = xcb_generate_id(conn_);
        const std::uint32_t include = XCB_SUBWINDOW_MODE_INCLUDE_INFERIORS;
        xcb_render_create_picture(conn_, rootPicture_, screen->root, rootFormat,
                                  XCB_RENDER_CP_SUBWINDOW_MODE, &include);
        static const char kNearest[] = "nearest";
        xcb_render_set_picture_filter(conn_, rootPicture_, sizeof kNearest - 1, kNearest, 0,
                                      nullptr);
        own_.flushSoon();
        listening_ = own_.listen([this](const xcb_generic_event_t* ev) { take(ev); });
    }

    ~Impl() {
        hide();
        if (listening_) own_.unlisten(listening_);
        if (rootPicture_ != XCB_NONE) xcb_render_free_picture(conn_, rootPicture_);
        if (noInput_ != XCB_NONE) xcb_xfixes_destroy_region(conn_, noInput_);
        std::free(formats_);
    }

    bool available() const { return rootPicture_ != XCB_NONE; }

    bool show(xcb_window_t parent, const QRect& target, const QRect& source, const QRect& clip) {
        if (!available() || clip.isEmpty() || target.isEmpty() || source.isEmpty()) return false;
        drain();
        if (parent != parent_ && !make(parent)) return false;
        if (clip != clip_) {
            const std::uint32_t g[] = {std::uint32_t(clip.x()), std::uint32_t(clip.y()),
                                       std::uint32_t(clip.width()), std::uint32_t(clip.height())};
            xcb_configure_window(conn_, lens_,
                                 XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y |
                                     XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                                 g);
            clip_ = clip;
        }
        // A lens pixel's centre maps to the source pixel Qt's unsmoothed
        // stretch would take for the same pixel of target.
        const double sx = double(source.width()) / target.width();
        const double sy = double(source.height()) / target.height();
        const xcb_render_transform_t t = {
            fixed(sx), 0,         fixed(source.x() + (clip.x() - target.x()) * sx),
            0,         fixed(sy), fixed(source.y() + (clip.y() - target.y()) * sy),
            0,         0,         fixed(1)};
        xcb_render_set_picture_transform(conn_, rootPicture_, t);
        xcb_render_composite(conn_, XCB_RENDER_PICT_OP_SRC, rootPicture_, XCB_NONE, lensPicture_, 0,
                             0, 0, 0, 0, 0, std::uint16_t(clip.width()),
                             std::uint16_t(clip.height()));
        own_.flushSoon();
        exposed_ = false;
        return true;
    }

    void hide() {
        if (lens_ == XCB_NONE) return;
        // Gone already when the parent was destroyed: the errors are dropped.
        xcb_render_free_picture(conn_, lensPicture_);
        xcb_destroy_window(conn_, lens_);
        own_.flushSoon();
        lens_ = XCB_NONE;
        parent_ = XCB_NONE;
        clip_ = QRect();
        drain();
    }

    bool exposed() {
        drain();
        return exposed_;
    }

private:
    bool make(xcb_window_t parent) {
        hide();
        xcb_get_window_attributes_reply_t* a = xcb_get_window_attributes_reply(
            conn_, xcb_get_window_attributes(conn_, parent), nullptr);
        if (!a) return false;
        const xcb_render_pictformat_t format = formatOf(formats_, a->visual);
        std::free(a);
        if (format == XCB_NONE) return false;
        lens_ = xcb_generate_id(conn_);
        // No background: an exposure keeps what was there until the redraw.
        const std::uint32_t values[] = {XCB_BACK_PIXMAP_NONE, XCB_EVENT_MASK_EXPOSURE};
        xcb_create_window(conn_, XCB_COPY_FROM_PARENT, lens_, parent, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_BACK_PIXMAP | XCB_CW_EVENT_MASK, values);
        xcb_xfixes_set_window_shape_region(conn_, lens_, XCB_SHAPE_SK_INPUT, 0, 0, noInput_);
        lensPicture_ = xcb_generate_id(conn_);
        xcb_render_create_picture(conn_, lensPicture_, lens_, format, 0, nullptr);
        xcb_map_window(conn_, lens_);
        parent_ = parent;
        clip_ = QRect(0, 0, 1, 1);
        return true;
    }

    // Takes the exposures (and the errors of a lens destroyed with its
    // parent) that arrived, without waiting.
    void drain() { own_.read(); }

    void take(const xcb_generic_event_t* ev) {
        if ((ev->response_type & 0x7F) == XCB_EXPOSE &&
            reinterpret_cast<const xcb_expose_event_t*>(ev)->window == lens_)
            exposed_ = true;
    }

    OwnX11Connection& own_;
    xcb_connection_t* conn_ = nullptr;
    int listening_ = 0;
    xcb_render_query_pict_formats_reply_t* formats_ = nullptr;
    xcb_render_picture_t rootPicture_ = XCB_NONE;
    xcb_xfixes_region_t noInput_ = XCB_NONE;
    xcb_window_t parent_ = XCB_NONE;
    xcb_window_t lens_ = XCB_NONE;
    xcb_render_picture_t lensPicture_ = XCB_NONE;
    QRect clip_;
    bool exposed_ = false;
};

X11ScreenLens::X11ScreenLens(OwnX11Connection& own) : d_(std::make_unique<Impl>(own)) {}
X11ScreenLens::~X11ScreenLens() = default;

bool X11ScreenLens::available() const {
    return d_->available();
}
bool X11ScreenLens::show(unsigned parent, const QRect& target, const QRect& source,
                         const QRect& clip) {
    return d_->show(xcb_window_t(parent), target, source, clip);
}
void X11ScreenLens::hide() {
    d_->hide();
}
bool X11ScreenLens::exposed() {
    return d_->exposed();
}

} // namespace platform
