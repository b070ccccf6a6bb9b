#pragma once

#include <QString>
#include <QStringList>

namespace shell {

// What the command line asks for. Everything but Run ends the process at
// once, without a window.
struct CommandLine {
    enum class Action { Run, Help, Version, Reset, Autostart, Error };
    Action action = Action::Run;
    bool autostartOn = false;
    // Help or version text for stdout; for Error the one-line complaint.
    QString text;
};

// Exit status of a command line that could not be understood.
constexpr int kExitUsage = 2;

// Reads the arguments (program name first). Needs no application object, so
// --help and --version work without a display. Qt's own -display and
// -platform are let through for QApplication.
CommandLine ParseCommandLine(const QStringList& arguments);

// Carries out every action but Run (help, version, a usage error, --reset,
// --autostart) and returns the process's exit status. Prints to stdout or
// stderr; needs no display.
int RunCommand(const CommandLine& command, int& argc, char** argv);

// The per-user settings file.
QString SettingsFilePath();

// Text of the entry that starts the program with the session.
QString AutostartEntry(const QString& executable);
// $XDG_CONFIG_HOME/autostart/<application id>.desktop
QString AutostartPath();
// Writes (on) or removes (off) the autostart entry; an empty string on
// success, otherwise what went wrong.
QString SetAutostart(bool on, const QString& executable);

} // namespace shell
