#include "platform/IniSettingsStore.h"
#include "platform/X11Desktop.h"
#include "shell/App.h"

#include <QApplication>

int main(int argc, char** argv) {
    platform::disableDevicePixelScaling();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillant"));
    QApplication::setOrganizationName(QStringLiteral("Kalmoro"));
    // Hiding the last window must not end the program: only the close button
    // or the end of the session does.
    QApplication::setQuitOnLastWindowClosed(false);

    platform::X11Desktop desktop(platform::IniSettingsStore::defaultPath(
        QStringLiteral("Kalmoro"), QStringLiteral("Quillant")));
    shell::App quillant(desktop);
    quillant.start();
    return QApplication::exec();
}
