#include "shell/BuildInfo.h"
#include "shell/CommandLine.h"
#include "shell/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <future>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using shell::CommandLine;
using Action = CommandLine::Action;

TEST(CommandLine, ActionsAndMistakes) {
    struct Row {
        QStringList args;
        Action action;
        bool autostartOn = false;
    };
    const Row rows[] = {
        {{}, Action::Run},
        {{"-display", ":3", "-platform", "xcb"}, Action::Run}, // Qt's own options
        {{"--help"}, Action::Help},
        {{"-v"}, Action::Version},
        {{"--reset"}, Action::Reset},
        {{"--autostart", "on"}, Action::Autostart, true},
        {{"--autostart=OFF"}, Action::Autostart, false},
        {{"--autostart", "maybe"}, Action::Error},
        {{"--autostart"}, Action::Error},
        {{"--reset", "--autostart", "on"}, Action::Error},
        {{"--bogus"}, Action::Error},
        {{"-x"}, Action::Error},
        {{"picture.png"}, Action::Error},
    };
    for (const Row& row : rows) {
        const CommandLine c = shell::ParseCommandLine(QStringList{"quillant"} + row.args);
        EXPECT_EQ(c.action, row.action) << row.args.join(' ').toStdString();
        if (row.action == Action::Autostart) {
            EXPECT_EQ(c.autostartOn, row.autostartOn);
        }
        if (row.action == Action::Error) {
            EXPECT_TRUE(c.text.startsWith("quillant: ")) << c.text.toStdString();
            EXPECT_FALSE(c.text.contains('\n'));
        }
    }
    EXPECT_EQ(shell::ParseCommandLine({"quillant", "--version"}).text,
              "quillant " QUILLANT_VERSION "\n");
}

TEST(CommandLine, AutostartEntryRunsThisBinaryWhereverItLies) {
    const std::pair<QString, QString> rows[] = {
        {"/usr/bin/quillant", "Exec=/usr/bin/quillant"},
        {"/home/a b/q", "Exec=\"/home/a b/q\""},
        {"/opt/100%/q", "Exec=/opt/100%%/q"},
        {"/opt/$x \"y\"/q", "Exec=\"/opt/\\\\$x \\\\\"y\\\\\"/q\""},
    };
    for (const auto& [path, exec] : rows) {
        const QStringList lines = shell::AutostartEntry(path).split('\n');
        EXPECT_EQ(lines.filter(QRegularExpression("^Exec=")), QStringList{exec});
        EXPECT_TRUE(lines.contains("[Desktop Entry]"));
        EXPECT_TRUE(lines.contains("X-GNOME-Autostart-enabled=true"));
    }
}

// ---------------------------------------------------------------- one instance

struct InstanceFixture : ::testing::Test {
    QTemporaryDir runtime;
    shell::SingleInstance::Options options() const {
        shell::SingleInstance::Options o;
        o.runtimeDir = runtime.path();
        o.useBus = false;
        o.answerTimeout = std::chrono::milliseconds(3000);
        return o;
    }
    // A later start, in a thread of its own, as the instance runs on.
    shell::SingleInstance::Outcome laterStart(shell::SingleInstance::Options o) {
        auto outcome = std::async(std::launch::async, [o] {
            shell::SingleInstance later(":7", o);
            return later.claim("launcher-42");
        });
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return outcome.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
            10000));
        return outcome.get();
    }
    QString file(const char* suffix) const {
        return runtime.path() + "/" QUILLANT_APP_ID "-7" + suffix;
    }
};

TEST_F(InstanceFixture, LaterStartShowsTheRunningInstanceWhateverItLeftBehind) {
    // What a killed instance leaves: nothing, a socket file, or both files.
    for (int leftovers = 0; leftovers < 3; ++leftovers) {
        if (leftovers >= 1) {
            QFile socket(file(".socket"));
            ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
        }
        if (leftovers == 2) {
            const pid_t dead = fork();
            if (dead == 0) _exit(0);
            waitpid(dead, nullptr, 0);
            QFile lock(file(".lock"));
            ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
            lock.write(QByteArray::number(dead) + "\nquillant\n" +
                       QSysInfo::machineHostName().toUtf8() + "\n");
        }
        QStringList shown;
        {
            shell::SingleInstance first(":7", options());
            ASSERT_EQ(first.claim(), shell::SingleInstance::Outcome::Primary) << leftovers;
            first.setActivateHandler([&](const QString& id) { shown << id; });
            EXPECT_EQ(laterStart(options()), shell::SingleInstance::Outcome::Activated);
            EXPECT_TRUE(QTest::qWaitFor([&] { return !shown.isEmpty(); }, 2000));
            EXPECT_EQ(shown, QStringList{"launcher-42"});
        }
        EXPECT_FALSE(QFile::exists(file(".socket"))) << "the instance cleans up as it ends";
    }
}

TEST_F(InstanceFixture, InstanceThatDoesNotAnswerIsNotReplaced) {
    QLockFile held(file(".lock")); // alive, but never listening
    ASSERT_TRUE(held.tryLock(0));
    auto o = options();
    o.answerTimeout = std::chrono::milliseconds(300);
    EXPECT_EQ(laterStart(o), shell::SingleInstance::Outcome::Failed);
    shell::SingleInstance reset(":7", o);
    EXPECT_EQ(reset.claim({}, false), shell::SingleInstance::Outcome::Failed);
}

} // namespace
