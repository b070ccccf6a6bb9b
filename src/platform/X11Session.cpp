#include "X11Session.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

QString argumentValue(const QStringList& arguments, const QString& name) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        for (const QString& dash : {QStringLiteral("-"), QStringLiteral("--")}) {
            if (a == dash + name && i + 1 < arguments.size()) return arguments[i + 1];
            if (a.startsWith(dash + name + '=')) return a.mid(dash.size() + name.size() + 1);
        }
    }
    return {};
}

} // namespace

QString DisplayProblem(const QStringList& arguments) {
    QString platform = argumentValue(arguments, QStringLiteral("platform"));
    if (platform.isEmpty()) platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    // The first platform named is the one Qt tries first.
    platform = platform.section(';', 0, 0).section(':', 0, 0);
    if (!platform.isEmpty() && platform != QLatin1String("xcb")) return {};

    const QString display = DisplayName(arguments);
    if (display.isEmpty()) return QStringLiteral("no X display: DISPLAY is not set");
    const QByteArray name = display.toLocal8Bit();
    xcb_connection_t* c = xcb_connect(name.constData(), nullptr);
    const bool failed = xcb_connection_has_error(c) != 0;
    xcb_disconnect(c);
    if (failed) return QStringLiteral("cannot open the X display %1").arg(display);
    return {};
}

QString DisplayName(const QStringList& arguments) {
    const QString display = argumentValue(arguments, QStringLiteral("display"));
    return display.isEmpty() ? qEnvironmentVariable("DISPLAY") : display;
}

void EndStartupFeedback(const QString& display, const QString& startupId) {
    if (startupId.isEmpty()) return;
    xcb_connection_t* c = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return;
    }
    const auto atom = [c](const char* name) {
        auto* reply = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr);
        xcb_atom_t a = XCB_ATOM_NONE;
        if (reply) a = reply->atom;
        std::free(reply);
        return a;
    };
    const xcb_atom_t begin = atom("_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = atom("_NET_STARTUP_INFO");
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    // The messages come from a window of the sender's own.
    const xcb_window_t sender = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, sender, screen->root, -100, -100, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    QByteArray id = startupId.toUtf8();
    id.replace("\\", "\\\\").replace("\"", "\\\"").replace(" ", "\\ ");
    const QByteArray message = "remove: ID=" + id + '\0';
    // 20 bytes a piece, the first one under its own type.
    for (qsizetype at = 0; at < message.size(); at += 20) {
        xcb_client_message_event_t ev{};
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 8;
        ev.window = sender;
        ev.type = at == 0 ? begin : more;
        std::memcpy(ev.data.data8, message.constData() + at,
                    std::size_t(std::min<qsizetype>(20, message.size() - at)));
        xcb_send_event(c, 0, screen->root, XCB_EVENT_MASK_PROPERTY_CHANGE,
                       reinterpret_cast<const char*>(&ev));
    }
    xcb_destroy_window(c, sender);
    xcb_flush(c);
    xcb_disconnect(c);
}

} // namespace platform
