#include "X11Session.h"

#include <xcb/xcb.h>

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

} // namespace platform
