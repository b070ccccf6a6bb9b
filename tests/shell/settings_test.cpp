#include "support/RulerFixture.h"

#include "platform/IniSettingsStore.h"
#include "ruler/RulerGeometry.h"
#include "shell/Images.h"
#include "shell/Settings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

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
    frm->picClose_Click();
    EXPECT_EQ(get("Orientation"), "1");
    EXPECT_EQ(get("Size"), "7500");
    EXPECT_EQ(desk.store.writeLog,
              (std::vector<QString>{"AlwaysOnTop", "Orientation", "Left", "Top", "Size"}));
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

} // namespace
