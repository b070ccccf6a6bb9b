#pragma once

#include <QByteArray>

#include <functional>

namespace platform {

// The Qt platform a session calls for, or empty for Qt's own choice. In a
// Wayland session it is xcb, the desktop's X server: only there can the
// ruler place itself and stay on top. The user's QT_QPA_PLATFORM wins, and
// without an X server (no DISPLAY) Qt chooses. `env` reads a variable.
QByteArray platformForSession(const std::function<QByteArray(const char*)>& env);

// Applies platformForSession to this process; call before QApplication.
void choosePlatformForSession();

} // namespace platform
