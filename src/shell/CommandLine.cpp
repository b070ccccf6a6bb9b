#include "CommandLine.h"

#include "SingleInstance.h"
#include "platform/IniSettingsStore.h"
#include "platform/X11Session.h"
#include "shell/BuildInfo.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>

namespace shell {

namespace {

const QString kName = QStringLiteral("quillant");

QString usageError(QString message) {
    if (message.endsWith('.')) message.chop(1);
    return kName + QStringLiteral(": ") + message + QStringLiteral(" (see 'quillant --help')");
}

// A desktop entry's Exec value: arguments with blanks or quotes are quoted.
QString execQuoted(const QString& path) {
    static const QString special = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString q = path;
    q.replace('%', QStringLiteral("%%")); // field codes start with %
    if (std::none_of(q.begin(), q.end(), [](QChar c) { return special.contains(c); })) return q;
    q.replace('\\', QStringLiteral("\\\\"))
        .replace('"', QStringLiteral("\\\""))
        .replace('`', QStringLiteral("\\`"))
        .replace('$', QStringLiteral("\\$"));
    // The entry's own string escaping doubles every backslash once more.
    q.replace('\\', QStringLiteral("\\\\"));
    return '"' + q + '"';
}

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Pixel ruler, colour picker and screen magnifier. Without options it "
                       "starts the ruler, or shows the one already running."));
    // Single dashes name whole words, as Qt's own -display and -platform do.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption reset(
        QStringLiteral("reset"),
        QStringLiteral(
            "Forget the stored settings (place, length, orientation, topmost) and exit."));
    const QCommandLineOption autostart(
        QStringLiteral("autostart"),
        QStringLiteral("Start with the desktop session (on) or not (off), then exit."),
        QStringLiteral("on|off"));
    QCommandLineOption display(QStringLiteral("display"), QString(), QStringLiteral("display"));
    QCommandLineOption platform(QStringLiteral("platform"), QString(), QStringLiteral("name"));
    display.setFlags(QCommandLineOption::HiddenFromHelp);
    platform.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({help, version, reset, autostart, display, platform});

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.action = CommandLine::Action::Error;
        result.text = usageError(parser.errorText());
        return result;
    }
    if (parser.isSet(help)) {
        result.action = CommandLine::Action::Help;
        result.text = parser.helpText().replace(QStringLiteral("<executable_name>"), kName);
        return result;
    }
    if (parser.isSet(version)) {
        result.action = CommandLine::Action::Version;
        result.text = kName + ' ' + QStringLiteral(QUILLANT_VERSION) + '\n';
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.action = CommandLine::Action::Error;
        result.text = usageError(QStringLiteral("unexpected argument '%1'")
                                     .arg(parser.positionalArguments().constFirst()));
        return result;
    }
    const int actions = int(parser.isSet(reset)) + int(parser.isSet(autostart));
    if (actions > 1) {
        result.action = CommandLine::Action::Error;
        result.text = usageError(QStringLiteral("--reset and --autostart go one at a time"));
        return result;
    }
    if (parser.isSet(reset)) result.action = CommandLine::Action::Reset;
    if (parser.isSet(autostart)) {
        const QString value = parser.value(autostart).toLower();
        if (value != QLatin1String("on") && value != QLatin1String("off")) {
            result.action = CommandLine::Action::Error;
            result.text =
                usageError(QStringLiteral("--autostart takes 'on' or 'off', not '%1'").arg(value));
            return result;
        }
        result.action = CommandLine::Action::Autostart;
        result.autostartOn = value == QLatin1String("on");
    }
    return result;
}

QString SettingsFilePath() {
    return platform::IniSettingsStore::defaultPath(QStringLiteral("Kalmoro"),
                                                   QStringLiteral("Quillant"));
}

namespace {

void print(std::FILE* to, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), to);
    if (!text.endsWith('\n')) std::fputc('\n', to);
}

int forgetSettings(const QStringList& arguments) {
    // A running ruler would write its settings back when it ends.
    SingleInstance instance(platform::DisplayName(arguments));
    if (instance.claim({}, false) != SingleInstance::Outcome::Primary) {
        print(stderr, kName + QStringLiteral(": Quillant is running; end it with its close "
                                             "button, then try --reset again"));
        return 1;
    }
    const QString path = SettingsFilePath();
    if (QFile::exists(path) && !QFile::remove(path)) {
        print(stderr, kName + QStringLiteral(": cannot remove %1").arg(path));
        return 1;
    }
    print(stdout, kName + QStringLiteral(": settings forgotten; the next start uses the defaults"));
    return 0;
}

} // namespace

int RunCommand(const CommandLine& command, int& argc, char** argv) {
    using Action = CommandLine::Action;
    switch (command.action) {
    case Action::Run:
        return 0;
    case Action::Help:
    case Action::Version:
        print(stdout, command.text);
        return 0;
    case Action::Error:
        print(stderr, command.text);
        return kExitUsage;
    case Action::Reset:
    case Action::Autostart:
        break;
    }
    QCoreApplication app(argc, argv);
    if (command.action == Action::Reset) return forgetSettings(QCoreApplication::arguments());
    const QString problem =
        SetAutostart(command.autostartOn, QCoreApplication::applicationFilePath());
    if (!problem.isEmpty()) {
        print(stderr, kName + QStringLiteral(": ") + problem);
        return 1;
    }
    print(stdout,
          command.autostartOn
              ? kName + QStringLiteral(": starts with the session (%1)").arg(AutostartPath())
              : kName + QStringLiteral(": no longer starts with the session"));
    return 0;
}

QString AutostartEntry(const QString& executable) {
    QString entry;
    const QStringList lines = QString::fromUtf8(kQuillantDesktopEntry).split('\n');
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("Exec=")))
            entry += QStringLiteral("Exec=") + execQuoted(executable) + '\n';
        else if (!line.isEmpty())
            entry += line + '\n';
    }
    entry += QStringLiteral("X-GNOME-Autostart-enabled=true\n");
    return entry;
}

QString AutostartPath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return base + QStringLiteral("/autostart/") + QStringLiteral(QUILLANT_APP_ID) +
           QStringLiteral(".desktop");
}

QString SetAutostart(bool on, const QString& executable) {
    const QString path = AutostartPath();
    if (!on) {
        if (!QFile::exists(path) || QFile::remove(path)) return {};
        return QStringLiteral("cannot remove %1").arg(path);
    }
    if (!QDir().mkpath(QFileInfo(path).path()))
        return QStringLiteral("cannot create %1").arg(QFileInfo(path).path());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return QStringLiteral("cannot write %1").arg(path);
    file.write(AutostartEntry(executable).toUtf8());
    if (!file.commit()) return QStringLiteral("cannot write %1").arg(path);
    return {};
}

} // namespace shell
