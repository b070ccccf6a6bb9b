#include "support/RulerFixture.h"

#include "platform/IniSettingsStore.h"
#include "ruler/RulerGeometry.h"
#include "shell/Images.h"
#include "shell/Settings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <functional>
#include <future>
#include <memory>
#include <random>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

const QString kKey = QStringLiteral("Software\\Kalmoro\\Quillant");

TEST(StoredNumbers, OnlyPlainDecimal32BitValuesCount) {
    const struct {
        const char* text;
        std::optional<std::int32_t> value;
    } rows[] = {
        {"0", 0},
        {"1", 1},
        {"-1", -1},
        {"9000", 9000},
        {"-2147483648", INT32_MIN},
        {"2147483647", INT32_MAX},
        {"4294967295", -1}, // an unsigned 32-bit value written by another tool
        {"4294967296", std::nullopt},
        {"99999999999", std::nullopt},
        {"-2147483649", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {" 1", std::nullopt},
        {"+1", std::nullopt},
        {"1.0", std::nullopt},
        {"0x10", std::nullopt},
        {"true", std::nullopt},
        {"١", std::nullopt}, // a digit of another script
    };
    for (const auto& r : rows)
        EXPECT_EQ(shell::ParseDword(QString::fromUtf8(r.text)), r.value) << r.text;
}

class Settings : public RulerFixture {
protected:
    void put(const char* name, const QString& v) { desk.store.values[kKey + "\\" + name] = v; }
    QString get(const char* name) { return desk.store.values.value(kKey + "\\" + name); }
    void installed(int onTop, int orientation, int left, int top, int size) {
        put("Installed", "1");
        put("AlwaysOnTop", QString::number(onTop));
        put("Orientation", QString::number(orientation));
        put("Left", QString::number(left));
        put("Top", QString::number(top));
        put("Size", QString::number(size));
    }
};

TEST_F(Settings, StoredValuesAreAppliedExactly) {
    installed(0, 1, 1500, 3000, 6000);
    start();
    EXPECT_EQ(globals.blnAlwaysOnTop, 0);
    EXPECT_FALSE(desk.topmost.value(frm->window()));
    EXPECT_EQ(frm->picOnTop.Picture(), shell::OnTopActiveImage());
    EXPECT_EQ(globals.intOrientation, 1);
    EXPECT_EQ(frm->window()->geometry(), QRect(100, 200, 61, 400));
    EXPECT_TRUE(desk.store.writeLog.empty());
}

TEST_F(Settings, InstalledOtherThanOneResetsEverything) {
    for (const char* marker : {"0", "2", "text", static_cast<const char*>(nullptr)}) {
        desk.store.values.clear();
        installed(0, 1, 1500, 3000, 6000);
        if (marker)
            put("Installed", marker);
        else
            desk.store.values.remove(kKey + "\\Installed");
        start();
        EXPECT_EQ(frm->window()->geometry(), QRect(60, 60, 600, 61)) << marker;
        EXPECT_EQ(globals.blnAlwaysOnTop, -1);
        EXPECT_EQ(get("Installed"), "1");
    }
}

TEST_F(Settings, AnyNonZeroTopmostIsOnAndStoredBackAsMinusOne) {
    for (const char* v : {"-1", "5", "1", "4294967295"}) {
        installed(0, 0, 900, 900, 9000);
        put("AlwaysOnTop", v);
        start();
        EXPECT_EQ(globals.blnAlwaysOnTop, -1) << v;
        frm->picClose_Click();
        EXPECT_EQ(get("AlwaysOnTop"), "-1") << v;
    }
}

TEST_F(Settings, TextAndForeignValuesReadAsZero) {
    installed(-1, 0, 900, 900, 9000);
    put("AlwaysOnTop", "on");
    put("Orientation", "1.5");
    start();
    EXPECT_EQ(globals.blnAlwaysOnTop, 0);
    EXPECT_EQ(globals.intOrientation, 0);
    EXPECT_EQ(shell::RegReadValue(desk.store, shell::HKEY_CURRENT_USER, kKey, "Missing"), 0);
}

TEST_F(Settings, SavedSizeFollowsTheOrientation) {
    installed(-1, 0, 900, 900, 7500);
    start();
    frm->SwitchOrientation();
    const int commits = desk.store.commits;
    frm->picClose_Click();
    EXPECT_EQ(desk.store.commits, commits + 1); // a kill can never store a mix
    EXPECT_EQ(get("Orientation"), "1");
    EXPECT_EQ(get("Size"), "7500");
    EXPECT_EQ(desk.store.writeLog,
              (std::vector<QString>{"AlwaysOnTop", "Orientation", "Left", "Top", "Size"}));
}

TEST_F(Settings, ChangesAreStoredOnceTheyRest) {
    const struct {
        const char* change;
        std::function<void(shell::frmRuler&)> act;
        const char* name;
        const char* stored;
    } rows[] = {
        {"key nudge", [](shell::frmRuler& f) { f.Form_KeyDown(0x27, 0); }, "Left", "915"},
        {"drag", [](shell::frmRuler& f) { f.Move(1500, 3000); }, "Top", "3000"},
        {"grip", [](shell::frmRuler& f) { f.setWidth(4500); }, "Size", "4500"},
        {"orientation", [](shell::frmRuler& f) { f.SwitchOrientation(); }, "Orientation", "1"},
        {"topmost", [](shell::frmRuler& f) { f.picOnTop_Click(); }, "AlwaysOnTop", "0"},
    };
    for (const auto& r : rows) {
        installed(-1, 0, 900, 900, 9000);
        start();
        const int commits = desk.store.commits;
        frm->ctlStoreTimer.Fire(); // loading and showing change nothing
        EXPECT_EQ(desk.store.commits, commits) << r.change;
        r.act(*frm);
        EXPECT_EQ(desk.store.commits, commits) << r.change;
        EXPECT_TRUE(frm->ctlStoreTimer.Enabled()) << r.change;
        EXPECT_EQ(frm->ctlStoreTimer.Interval(), 1000);
        frm->ctlStoreTimer.Fire();
        EXPECT_EQ(get(r.name), r.stored) << r.change;
        EXPECT_EQ(desk.store.commits, commits + 1) << r.change;
        EXPECT_FALSE(frm->ctlStoreTimer.Enabled()) << r.change;
        frm->StorePendingSettings(); // nothing left: no second write
        EXPECT_EQ(desk.store.commits, commits + 1) << r.change;
    }
}

TEST_F(Settings, PartlyOffScreenPositionsAreKept) {
    installed(-1, 0, -3000, 900, 9000); // 200 pixels left of the screen
    start();
    EXPECT_EQ(frm->window()->pos(), QPoint(-200, 60));
    EXPECT_FLOAT_EQ(frm->Left(), -3000);
}

TEST_F(Settings, UnusableGeometryStillGivesAVisibleRuler) {
    const struct {
        int left, top, size;
        QRect expected;
    } rows[] = {
        {900, 900, 0, QRect(60, 60, 90, 61)},        // no length: the shortest ruler
        {900, 900, -500, QRect(60, 60, 90, 61)},     // negative length
        {-30000, 900, 9000, QRect(60, 60, 600, 61)}, // wholly left of the screen
        {900, 20000000, 9000, QRect(60, 60, 600, 61)},
        {INT32_MIN, INT32_MIN, INT32_MAX, QRect(60, 60, 32000, 61)},
    };
    for (const auto& r : rows) {
        installed(-1, 0, r.left, r.top, r.size);
        start();
        EXPECT_EQ(frm->window()->geometry(), r.expected) << r.left << "," << r.top << "," << r.size;
    }
}

TEST_F(Settings, ASecondScreenKeepsItsRuler) {
    desk.extraScreens = {QRect(1024, 0, 1280, 1024)};
    installed(-1, 0, 20000, 900, 9000); // pixel 1333 lies on the second screen
    start();
    EXPECT_EQ(frm->window()->pos(), QPoint(1333, 60));
}

TEST_F(Settings, ScreensThatGoTakeNoRulerWithThem) {
    const QRect right(1024, 0, 1280, 1024), left(0, 0, 1280, 1024);
    const struct {
        const char* name;
        QPoint primaryOrigin;
        std::vector<QRect> before, after; // the other screens
        int leftTwips;
        QPoint expected;
    } rows[] = {
        {"wholly on the screen that goes", {0, 0}, {right}, {}, 20000, {60, 60}},
        {"partly on the primary: kept", {0, 0}, {right}, {}, 13500, {900, 60}},
        {"back onto a primary right of the origin", {1280, 0}, {left}, {}, 900, {1340, 60}},
        {"its screen moves away", {0, 0}, {right}, {QRect(0, 768, 1024, 768)}, 20000, {60, 60}},
        {"a screen comes", {0, 0}, {}, {right}, 900, {60, 60}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        desk.primaryOrigin = r.primaryOrigin;
        desk.extraScreens = r.before;
        installed(-1, 0, r.leftTwips, 900, 9000);
        start();
        frm->picZoom_Click();
        desk.extraScreens = r.after;
        desk.cursor = r.primaryOrigin + QPoint(500, 500);
        desk.screensChanged();
        EXPECT_EQ(frm->window()->pos(), r.expected);
        // An open zoom window moves beside the cursor at once.
        EXPECT_EQ(frm->zoomWindow()->window()->pos(), desk.cursor + QPoint(20, 20));
    }
}

TEST_F(Settings, UnwritableStoreRunsOnDefaultsInVain) {
    desk.store.writable = false;
    start();
    EXPECT_TRUE(frm->Visible());
    EXPECT_EQ(globals.blnAlwaysOnTop, 0);
    EXPECT_EQ(frm->window()->pos(), QPoint(0, 0));
    EXPECT_FLOAT_EQ(frm->Width(), ruler::kMinLength);
    frm->picClose_Click(); // stores nothing, still ends
    EXPECT_EQ(desk.endCalls, 1);
    EXPECT_TRUE(desk.store.values.isEmpty());
}

// The file store: QSettings-compatible, atomic, robust against any content.
class IniStore : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.path() + "/Kalmoro/Quillant.conf"; }
    void writeRaw(const QByteArray& bytes) {
        QDir().mkpath(dir.path() + "/Kalmoro");
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

TEST_F(IniStore, RoundTripReadableByQSettings) {
    platform::IniSettingsStore store(path());
    shell::WriteDefaultSettings(store);
    shell::RegWriteValue(store, shell::HKEY_CURRENT_USER, kKey, "AlwaysOnTop", -1);
    EXPECT_EQ(shell::RegReadValue(store, shell::HKEY_CURRENT_USER, kKey, "AlwaysOnTop"), -1);
    EXPECT_EQ(shell::RegReadValue(store, shell::HKEY_CURRENT_USER, kKey, "Size"), 9000);
    QSettings qs(path(), QSettings::IniFormat);
    EXPECT_EQ(qs.value("Installed").toString(), "1");
    EXPECT_EQ(qs.value("AlwaysOnTop").toString(), "-1");
    EXPECT_EQ(qs.value("Top").toString(), "900");
}

TEST_F(IniStore, DamagedOrHostileFilesReadAsMissingAndAreReplaced) {
    static const char kBinary[] = "\x00\xff\xfe garbage\n=\n[General\nLeft";
    const QByteArray files[] = {
        QByteArray::fromRawData(kBinary, sizeof kBinary - 1),
        QByteArray("[Other]\nLeft=5\n"),
        QByteArray("[General]\nLeft=1e9999\nTop=-\nSize=99999999999999999999\n"),
        QByteArray(200 * 1024, 'x'), // far larger than any settings file of ours
        QByteArray("[General]\n") + QByteArray(100000, '=') + "\n",
    };
    for (const QByteArray& bytes : files) {
        writeRaw(bytes);
        platform::IniSettingsStore store(path());
        EXPECT_EQ(shell::RegReadValue(store, shell::HKEY_CURRENT_USER, kKey, "Left"), 0);
        EXPECT_EQ(shell::RegReadValue(store, shell::HKEY_CURRENT_USER, kKey, "Size"), 0);
        shell::RegWriteValue(store, shell::HKEY_CURRENT_USER, kKey, "Left", 1234);
        EXPECT_EQ(shell::RegReadValue(store, shell::HKEY_CURRENT_USER, kKey, "Left"), 1234);
    }
}

TEST_F(IniStore, LaterEntriesWinAndOtherSectionsAreIgnored) {
    writeRaw("Left=1\n[General]\nLeft=2\n[Other]\nLeft=3\n[General]\nLeft = 4 \n");
    platform::IniSettingsStore store(path());
    EXPECT_EQ(shell::RegReadValue(store, shell::HKEY_CURRENT_USER, kKey, "Left"), 4);
}

TEST_F(IniStore, FailedWriteLeavesThePreviousFile) {
    platform::IniSettingsStore store(path());
    shell::WriteDefaultSettings(store);
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    // A store whose folder is a file cannot be written.
    platform::IniSettingsStore blocked(path() + "/inside.conf");
    EXPECT_FALSE(blocked.write(kKey, "Left", "5"));
    EXPECT_FALSE(store.write(kKey, "Bad=Name", "5"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    // No temporary files left behind.
    EXPECT_EQ(QDir(dir.path() + "/Kalmoro").entryList(QDir::Files).size(), 1);
}

TEST_F(IniStore, NonRegularFilesReadAsMissingWithoutBlocking) {
    const QString real = dir.path() + "/real.conf";
    {
        QFile f(real);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[General]\nLeft=7\n");
    }
    const struct {
        const char* kind;
        std::function<bool(const QByteArray&)> make;
        std::optional<int> read; // Left before the write
        bool writes;
    } rows[] = {
        {"fifo", [](const QByteArray& p) { return ::mkfifo(p.constData(), 0600) == 0; },
         std::nullopt, true},
        {"folder", [](const QByteArray& p) { return ::mkdir(p.constData(), 0700) == 0; },
         std::nullopt, false},
        {"dangling link",
         [](const QByteArray& p) { return ::symlink("/nonexistent/q", p.constData()) == 0; },
         std::nullopt, true},
        {"link to a device",
         [](const QByteArray& p) { return ::symlink("/dev/zero", p.constData()) == 0; },
         std::nullopt, true},
        {"link to a file",
         [&](const QByteArray& p) {
             return ::symlink(QFile::encodeName(real).constData(), p.constData()) == 0;
         },
         7, true},
    };
    for (const auto& r : rows) {
        QDir(path()).removeRecursively();
        QFile::remove(path());
        QDir().mkpath(dir.path() + "/Kalmoro");
        ASSERT_TRUE(r.make(QFile::encodeName(path()))) << r.kind;
        // A blocking open never returns: fail instead of hanging the run.
        auto result = std::make_shared<std::promise<std::optional<QString>>>();
        std::thread([p = path(), result] {
            platform::IniSettingsStore store(p);
            result->set_value(store.read(kKey, "Left"));
        }).detach();
        auto done = result->get_future();
        ASSERT_EQ(done.wait_for(std::chrono::seconds(20)), std::future_status::ready) << r.kind;
        EXPECT_EQ(done.get(),
                  r.read ? std::optional<QString>(QString::number(*r.read)) : std::nullopt)
            << r.kind;

        platform::IniSettingsStore store(path());
        EXPECT_EQ(store.write(kKey, "Left", "5"), r.writes) << r.kind;
        EXPECT_EQ(shell::RegReadValue(store, shell::HKEY_CURRENT_USER, kKey, "Left"),
                  r.writes ? 5 : 0)
            << r.kind;
    }
    // The link to a file was written through and is still a link.
    EXPECT_TRUE(QFileInfo(path()).isSymLink());
    QSettings qs(real, QSettings::IniFormat);
    EXPECT_EQ(qs.value("Left").toString(), "5");
    EXPECT_EQ(QDir(dir.path() + "/Kalmoro").entryList(QDir::Files | QDir::System).size(), 1);
}

// Whatever foreign entries the file held, what the store writes it reads back,
// QSettings reads the same values, and no foreign byte is changed or inflated.
TEST_F(IniStore, WhatIsWrittenReadsBackAndStaysQSettingsReadable) {
    QByteArray manyKeys("[General]\n");
    for (int i = 0; manyKeys.size() < platform::IniSettingsStore::kMaxFileBytes - 40; ++i)
        manyKeys += "k" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\n";
    const struct {
        const char* what;
        QByteArray file;
    } rows[] = {
        {"invalid UTF-8", "[General]\nKept=yes\nJunk=" + QByteArray(30000, '\xff') + "\n"},
        {"line joined by a backslash", "[General]\nKept=yes\nJunk=a\\\nSize=7\n"},
        {"open quote", "[General]\nJunk=\"a\nKept=yes\nSize=7\n"},
        {"control bytes", "[General]\nJunk=a\rSize=7\nKept=yes\n"},
        {"file at the size limit", manyKeys + "Kept=yes\n"},
    };
    for (const auto& r : rows) {
        writeRaw(r.file);
        {
            platform::IniSettingsStore store(path());
            (void)store.read(kKey, "Kept");
            shell::WriteDefaultSettings(store);
        }
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray written = f.readAll();
        EXPECT_LE(written.size(), platform::IniSettingsStore::kMaxFileBytes) << r.what;
        EXPECT_FALSE(written.contains("\xef\xbf\xbd")) << r.what; // no replacement characters
        EXPECT_TRUE(written.contains("\nKept=yes\n")) << r.what;
        platform::IniSettingsStore again(path());
        QSettings qs(path(), QSettings::IniFormat);
        for (const auto& [name, value] :
             {std::pair{"Installed", 1}, {"Orientation", 0}, {"Size", 9000}, {"Top", 900}}) {
            EXPECT_EQ(shell::RegReadValue(again, shell::HKEY_CURRENT_USER, kKey, name), value)
                << r.what << " " << name;
            EXPECT_EQ(qs.value(name).toString(), QString::number(value)) << r.what << " " << name;
        }
    }
}

// SIGKILL while a whole set of values is being stored, many times over.
TEST_F(IniStore, AKilledWriteLeavesAllOldOrAllNewValues) {
    platform::IniSettingsStore store(path());
    const shell::DwordValues sets[2] = {
        {{"AlwaysOnTop", 0}, {"Orientation", 0}, {"Left", 1}, {"Top", 1}, {"Size", 1}},
        {{"AlwaysOnTop", -1}, {"Orientation", 1}, {"Left", 2}, {"Top", 2}, {"Size", 2}}};
    shell::RegWriteValues(store, shell::HKEY_CURRENT_USER, kKey, sets[0]);
    std::mt19937 random(13);
    for (int kill = 0; kill < 100; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 1;; ++i)
                shell::RegWriteValues(store, shell::HKEY_CURRENT_USER, kKey, sets[i % 2]);
        }
        ::usleep(std::uniform_int_distribution<useconds_t>(200, 3000)(random));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        std::vector<int> got;
        for (const auto& [name, value] : sets[0])
            got.push_back(shell::RegReadValue(store, shell::HKEY_CURRENT_USER, kKey, name));
        const bool allOld = got == std::vector<int>{0, 0, 1, 1, 1};
        const bool allNew = got == std::vector<int>{-1, 1, 2, 2, 2};
        ASSERT_TRUE(allOld || allNew) << "after kill " << kill;
    }
}

} // namespace
