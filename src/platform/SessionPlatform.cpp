#include "SessionPlatform.h"

#include <QtGlobal>

namespace platform {

QByteArray platformForSession(const std::function<QByteArray(const char*)>& env) {
    if (!env("QT_QPA_PLATFORM").isEmpty()) return {};
    const bool wayland = !env("WAYLAND_DISPLAY").isEmpty() ||
                         env("XDG_SESSION_TYPE") == QByteArrayLiteral("wayland");
    if (!wayland || env("DISPLAY").isEmpty()) return {};
    return QByteArrayLiteral("xcb");
}

void choosePlatformForSession() {
    const QByteArray chosen = platformForSession([](const char* name) { return qgetenv(name); });
    if (!chosen.isEmpty()) qputenv("QT_QPA_PLATFORM", chosen);
}

} // namespace platform
