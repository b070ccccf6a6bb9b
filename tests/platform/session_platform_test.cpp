#include "platform/SessionPlatform.h"

#include <QMap>
#include <gtest/gtest.h>

namespace {

TEST(SessionPlatform, WaylandSessionsRunOnTheirXServerUnlessTheUserChose) {
    const struct {
        QMap<QByteArray, QByteArray> env;
        const char* want;
    } rows[] = {
        {{{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}}, "xcb"},
        {{{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":1"}}, "xcb"},
        {{{"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}}, ""},
        {{{"DISPLAY", ":0"}}, ""},
        {{{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}}, ""},
        // No X server offered: Qt's own choice beats a start that fails.
        {{{"WAYLAND_DISPLAY", "wayland-0"}}, ""},
        {{{"WAYLAND_DISPLAY", ""}, {"XDG_SESSION_TYPE", "tty"}, {"DISPLAY", ":0"}}, ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.want);
        const auto env = [&](const char* name) { return r.env.value(name); };
        EXPECT_EQ(platform::platformForSession(env), QByteArray(r.want));
    }
}

} // namespace
