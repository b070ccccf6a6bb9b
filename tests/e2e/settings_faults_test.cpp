#include "Harness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <memory>
#include <random>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace e2e;

namespace {

const QString kStored = QStringLiteral("[General]\nInstalled=1\nAlwaysOnTop=-1\nOrientation=0\n"
                                       "Left=900\nTop=900\nSize=9000\n");

class SettingsFaults : public E2ETest {};

// Whatever lies at the settings path, the ruler comes up and ends normally;
// each problem is told once on stderr.
TEST_F(SettingsFaults, AnythingAtTheSettingsPathStillGivesARuler) {
    const bool root = ::geteuid() == 0; // root reads and writes past any mode
    const struct {
        const char* kind;
        std::function<bool(const QString& path)> make;
        bool complains;
        bool replaced; // a regular settings file afterwards
    } rows[] = {
        {"fifo", [](const QString& p) { return ::mkfifo(QFile::encodeName(p), 0600) == 0; }, true,
         true},
        {"folder", [](const QString& p) { return QDir().mkpath(p); }, true, false},
        {"dangling link",
         [](const QString& p) { return QFile::link(QStringLiteral("/nonexistent/q.conf"), p); },
         true, true},
        {"link to /dev/zero", [](const QString& p) { return QFile::link("/dev/zero", p); }, true,
         true},
        {"unreadable",
         [](const QString& p) {
             QFile f(p);
             return f.open(QIODevice::WriteOnly) && f.write(kStored.toUtf8()) > 0 &&
                    f.setPermissions({});
         },
         !root, root},
        {"read-only folder",
         [](const QString& p) {
             QFile f(p);
             return f.open(QIODevice::WriteOnly) && f.write(kStored.toUtf8()) > 0 &&
                    QFile::setPermissions(QFileInfo(p).path(), QFile::ReadOwner | QFile::ExeOwner);
         },
         !root, true},
    };
    for (const auto& r : rows) {
        Program p;
        QDir().mkpath(QFileInfo(p.settingsPath()).path());
        ASSERT_TRUE(r.make(p.settingsPath())) << r.kind;
        ASSERT_TRUE(p.start()) << r.kind;
        EXPECT_TRUE(p.waitForWindow()) << r.kind << ": no window\n" << p.output().toStdString();
        EXPECT_TRUE(p.terminate()) << r.kind;
        EXPECT_TRUE(p.exitedCleanly()) << r.kind << "\n" << p.output().toStdString();
        const QString out = p.output();
        const qsizetype told = out.count(QStringLiteral("cannot read the settings file")) +
                               out.count(QStringLiteral("cannot write the settings file"));
        if (r.complains) {
            EXPECT_GE(told, 1) << r.kind << "\n" << out.toStdString();
            EXPECT_LE(out.count(QStringLiteral("cannot read the settings file")), 1) << r.kind;
            EXPECT_LE(out.count(QStringLiteral("cannot write the settings file")), 1) << r.kind;
        } else {
            EXPECT_EQ(told, 0) << r.kind << "\n" << out.toStdString();
        }
        if (r.replaced) {
            EXPECT_EQ(p.readSettings().value("Installed"), "1") << r.kind;
        }
        QFile::setPermissions(QFileInfo(p.settingsPath()).path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

// SIGKILL at random moments around the store at the end: the file holds the
// old values or the new ones, never a mix. Ten programs run at a time.
TEST_F(SettingsFaults, AKillDuringTheStoreLeavesAllOldOrAllNew) {
    // Stored back as -1 and 0, the two values written first.
    const QString old = QString(kStored)
                            .replace("AlwaysOnTop=-1", "AlwaysOnTop=5")
                            .replace("Orientation=0", "Orientation=7");
    std::mt19937 random(13);
    int oldFiles = 0, newFiles = 0;
    for (int batch = 0; batch < 10; ++batch) {
        std::vector<std::unique_ptr<Program>> programs;
        for (int i = 0; i < 10; ++i) {
            programs.push_back(std::make_unique<Program>(old));
            ASSERT_TRUE(programs.back()->start());
        }
        for (auto& p : programs)
            ASSERT_TRUE(p->waitForWindow()) << p->output().toStdString();
        for (auto& p : programs) {
            ::kill(pid_t(p->pid()), SIGTERM);
            QThread::usleep(std::uniform_int_distribution<unsigned long>(0, 15000)(random));
            ::kill(pid_t(p->pid()), SIGKILL);
        }
        for (auto& p : programs) {
            ASSERT_TRUE(p->waitForExit());
            const QMap<QString, QString> s = p->readSettings();
            const QString pair = s.value("AlwaysOnTop") + "," + s.value("Orientation");
            EXPECT_TRUE(pair == "5,7" || pair == "-1,0") << pair.toStdString();
            oldFiles += pair == "5,7";
            newFiles += pair == "-1,0";
            EXPECT_EQ(s.value("Installed"), "1");
            EXPECT_EQ(s.value("Left"), "900");
            EXPECT_EQ(s.value("Size"), "9000");
        }
    }
    RecordProperty("old", oldFiles);
    RecordProperty("new", newFiles);
}

// A private X server, so killing it leaves the other tests theirs.
class PrivateServer {
public:
    PrivateServer() {
        QStringList range = qEnvironmentVariable("QUILLANT_X_DISPLAYS").split('-');
        int from = 200, to = 299;
        if (range.size() == 2) from = range[0].toInt(), to = range[1].toInt();
        for (int n = from; n <= to; ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)) ||
                QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                continue;
            display = QStringLiteral(":%1").arg(n);
            proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            proc.start("Xvfb", {display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
            if (proc.waitForStarted() && waitUntil([&] {
                    return QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) &&
                           xdotool({"getmouselocation"});
                }))
                return;
            proc.kill();
            proc.waitForFinished();
        }
        display.clear();
    }
    ~PrivateServer() { kill(); }
    // Killed outright, as a crashing server goes; its lock and socket are
    // then left for us to remove.
    void kill() {
        proc.kill();
        proc.waitForFinished();
        if (display.isEmpty()) return;
        QFile::remove(QStringLiteral("/tmp/.X%1-lock").arg(display.mid(1)));
        QFile::remove(QStringLiteral("/tmp/.X11-unix/X%1").arg(display.mid(1)));
    }
    bool xdotool(const QStringList& args) {
        QProcess x;
        return run(x, args);
    }
    QString output(const QStringList& args) {
        QProcess x;
        return run(x, args) ? QString::fromLatin1(x.readAllStandardOutput()) : QString();
    }
    bool run(QProcess& x, const QStringList& args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display);
        x.setProcessEnvironment(env);
        x.start("xdotool", args);
        return x.waitForFinished(10000) && x.exitCode() == 0;
    }
    QString display;
    QProcess proc;
};

// The display goes away before the moved ruler was stored: the process ends
// and the file holds the new place.
TEST_F(SettingsFaults, ALostDisplayKeepsTheMovedRuler) {
    PrivateServer server;
    ASSERT_FALSE(server.display.isEmpty()) << "no private X server";
    Program p(kStored);
    const QByteArray ours = qgetenv("DISPLAY");
    qputenv("DISPLAY", server.display.toLatin1());
    ASSERT_TRUE(p.start());
    qputenv("DISPLAY", ours);
    const QString window =
        server.output({"search", "--sync", "--onlyvisible", "--pid", QString::number(p.pid())})
            .section('\n', 0, 0);
    ASSERT_FALSE(window.isEmpty()) << p.output().toStdString();
    // Drag the scale strip 100 pixels right and down, then pull the server
    // away well within the second the program waits before storing.
    ASSERT_TRUE(server.xdotool({"mousemove", "300", "100", "mousedown", "1", "mousemove", "350",
                                "150", "mousemove", "400", "200", "mouseup", "1"}));
    // The server has the window at its new place once the program moved it.
    ASSERT_TRUE(waitUntil([&] {
        return server.output({"getwindowgeometry", window}).contains("Position: 160,160");
    }));
    server.kill();
    ASSERT_TRUE(p.waitForExit()) << p.output().toStdString();
    const QMap<QString, QString> s = p.readSettings();
    EXPECT_EQ(s.value("Left"), "2400") << p.output().toStdString();
    EXPECT_EQ(s.value("Top"), "2400");
    EXPECT_EQ(s.value("Size"), "9000");
}

} // namespace
