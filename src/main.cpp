#include "platform/FormsBase.h"
#include "platform/Memory.h"
#include "platform/SessionPlatform.h"
#include "platform/X11Desktop.h"
#include "platform/X11Session.h"
#include "shell/App.h"
#include "shell/BuildInfo.h"
#include "shell/CommandLine.h"
#include "shell/SingleInstance.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv) {
    platform::ReturnLargeBlocksWhenFreed();
    platform::disableDevicePixelScaling();
    platform::putWindowsThroughTheSocket();
    platform::choosePlatformForSession();

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const shell::CommandLine command = shell::ParseCommandLine(arguments);
    if (command.action != shell::CommandLine::Action::Run)
        return shell::RunCommand(command, argc, argv);
    if (const QString problem = platform::DisplayProblem(arguments); !problem.isEmpty()) {
        std::fprintf(stderr, "quillant: %s\n", problem.toLocal8Bit().constData());
        return 1;
    }

    // Qt takes the launcher's id out of the environment as it starts.
    const QString startupId = qEnvironmentVariable("DESKTOP_STARTUP_ID");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillant"));
    QApplication::setOrganizationName(QStringLiteral("Kalmoro"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLANT_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(QUILLANT_APP_ID));
    // Hiding the last window must not end the program: only the close button
    // or the end of the session does.
    QApplication::setQuitOnLastWindowClosed(false);
    forms::DefaultFontWithoutShaping();

    // A second start shows the running ruler and ends.
    shell::SingleInstance instance(platform::DisplayName(arguments));
    switch (instance.claim(startupId)) {
    case shell::SingleInstance::Outcome::Activated:
        platform::EndStartupFeedback(platform::DisplayName(arguments), startupId);
        return 0;
    case shell::SingleInstance::Outcome::Failed:
        std::fprintf(stderr, "quillant: %s\n", instance.error().toLocal8Bit().constData());
        return 1;
    case shell::SingleInstance::Outcome::Primary:
        break;
    }

    platform::X11Desktop desktop(shell::SettingsFilePath());
    shell::App quillant(desktop);
    instance.setActivateHandler([&quillant](const QString&) { quillant.ruler().ShowFromTray(); });
    quillant.start();
    return QApplication::exec();
}
