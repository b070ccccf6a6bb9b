#include "Harness.h"

#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QScreen>

#include <memory>

using namespace e2e;

namespace {

// Pixel geometry at 96 dpi, 15 twips per pixel, ruler at 60/60 with a
// one-pixel frame; the picker panel starts 2/16 pixels into the client area.
constexpr QPoint kColorButton(60 + 1 + 45 + 5, 60 + 1 + 2 + 5);
constexpr QPoint kPanel(60 + 1 + 2, 60 + 1 + 16);
constexpr QPoint kGrabberCentre = kPanel + QPoint(1 + 4 + 16, 1 + 4 + 16);
const QRgb kSampleBack = qRgb(0xFF, 0xC0, 0x80);

// Slot i: 64 pixels per column, 24 per row, 41 x 17 with a one-pixel border.
QRect slotInner(int i) {
    return QRect(kPanel + QPoint(64 + 64 * (i / 2) + 1, 24 * (i % 2) + 1), QSize(39, 15));
}

// The colour most of the slot shows: its background, whatever its label.
QRgb slotColour(int i) {
    return mainColour(slotInner(i));
}

// The picker's help text, where messages about the desktop's picker show.
const QRect kInfo(kPanel + QPoint(312, 0), QSize(217, 41));

class Picker : public E2ETest {
protected:
    void SetUp() override {
        E2ETest::SetUp();
        if (IsSkipped()) return;
        if (QGuiApplication::primaryScreen()->logicalDotsPerInch() != 96)
            GTEST_SKIP() << "the expected pixels assume 96 dpi";
        ASSERT_TRUE(app.start());
        ASSERT_TRUE(app.waitForWindow()) << app.output().toStdString();
        xdo::click(kColorButton.x(), kColorButton.y());
        ASSERT_TRUE(waitUntil([] {
            return pixelAt(kPanel.x() + 2, kPanel.y() + 2).rgb() == kSampleBack;
        })) << "the picker panel did not show; output:\n"
            << app.output().toStdString();
    }

    // Press on the crosshair, move out onto the root, let go there.
    void grabAt(QPoint where, int button) {
        xdo::mouseMove(kGrabberCentre.x(), kGrabberCentre.y());
        xdo::mouseDown(button);
        xdo::mouseMove(where.x() / 2, where.y() / 2);
        xdo::mouseMove(where.x(), where.y());
        xdo::mouseUp(button);
        // The tick after the release samples where the pointer is then, so
        // the pointer stays until the grab ended: the crosshair button is
        // back on the plain box.
        EXPECT_TRUE(waitUntil([] {
            return pixelAt(kGrabberCentre.x() - 10, kGrabberCentre.y() - 10).rgb() == kSampleBack;
        }));
    }

    Program app;
};

// A private session bus that starts no services of its own, with a stand-in
// for the desktop portal on it when `portalAnswer` is not empty.
class PortalBus {
public:
    explicit PortalBus(const QString& portalAnswer) {
        address_ = QStringLiteral("unix:path=") + dir_.filePath(QStringLiteral("bus"));
        QFile conf(dir_.filePath(QStringLiteral("bus.conf")));
        if (!conf.open(QIODevice::WriteOnly)) return;
        conf.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                   "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                   "<busconfig><type>session</type><listen>" +
                   address_.toUtf8() +
                   "</listen><policy context=\"default\"><allow send_destination=\"*\"/>"
                   "<allow receive_sender=\"*\"/>"
                   "<allow own=\"*\"/></policy></busconfig>\n");
        conf.close();
        bus_.start(QStringLiteral("dbus-daemon"), {"--nofork", "--nopidfile", "--print-address=1",
                                                   "--config-file=" + conf.fileName()});
        if (!bus_.waitForStarted(5000) ||
            !waitUntil([&] { return bus_.canReadLine() || bus_.state() != QProcess::Running; }))
            return;
        ready_ = bus_.canReadLine();
        if (!ready_ || portalAnswer.isEmpty()) return;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address_);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        portal_.setProcessEnvironment(env);
        portal_.start(QStringLiteral(QUILLANT_FAKE_PORTAL), {portalAnswer});
        ready_ = portal_.waitForStarted(5000) && waitUntil([&] {
                     return portal_.canReadLine() || portal_.state() != QProcess::Running;
                 }) &&
                 portal_.readLine().trimmed() == "ready";
    }
    ~PortalBus() {
        for (QProcess* p : {&portal_, &bus_}) {
            p->terminate();
            if (!p->waitForFinished(3000)) p->kill();
            p->waitForFinished(3000);
        }
    }
    bool ready() const { return ready_; }
    QString address() const { return address_; }

private:
    QTemporaryDir dir_;
    QString address_;
    QProcess bus_;
    QProcess portal_;
    bool ready_ = false;
};

// The program as on a Wayland desktop's X server, where capture is blind: a
// press on the crosshair asks the desktop's colour picker instead.
class BlindPicker : public Picker {
protected:
    void startWith(const QString& portalAnswer) {
        if (!QGuiApplication::instance()) GTEST_SKIP() << "no X server";
        bus = std::make_unique<PortalBus>(portalAnswer);
        ASSERT_TRUE(bus->ready());
        app.setEnv(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus->address());
        app.setEnv(QStringLiteral("QUILLANT_TEST_BLIND_CAPTURE"), QStringLiteral("1"));
        Picker::SetUp();
    }
    void SetUp() override {} // each test starts with its own portal
    void pressCrosshair() {
        xdo::mouseMove(kGrabberCentre.x(), kGrabberCentre.y());
        xdo::mouseDown(1);
        xdo::mouseUp(1);
        xdo::mouseMove(kParkedPointer.x(), kParkedPointer.y());
    }
    std::unique_ptr<PortalBus> bus;
};

TEST_F(Picker, GrabOffTheWindowFillsTheSelectedSlot) {
    const struct {
        QColor root;
        QPoint where;
        int button;
    } rows[] = {
        {QColor(0xc8, 0x32, 0x64), {600, 500}, 1},
        {QColor(0x10, 0xe0, 0x7f), {900, 300}, 3},
        {QColor(0x80, 0x80, 0x80), {20, 740}, 2},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.root.name().toStdString());
        setRootColour(r.root);
        grabAt(r.where, r.button);
        EXPECT_TRUE(waitUntil([&] { return slotColour(0) == r.root.rgb(); }))
            << QColor(slotColour(0)).name().toStdString();
    }
}

TEST_F(Picker, DoubleClickCopiesAndRightClickPastes) {
    setRootColour(QColor(0x12, 0x34, 0x56));
    grabAt({500, 400}, 1);
    ASSERT_TRUE(waitUntil([] { return slotColour(0) == qRgb(0x12, 0x34, 0x56); }));

    // A copy leaves the user's text selection (PRIMARY) alone.
    ASSERT_TRUE(setClipboardText(QStringLiteral("selected text"), QStringLiteral("primary")));
    const QPoint slot0 = slotInner(0).center();
    xdo::doubleClick(slot0.x(), slot0.y());
    EXPECT_TRUE(waitUntil([] { return clipboardText() == QStringLiteral("#123456"); }))
        << clipboardText().toStdString();
    EXPECT_EQ(clipboardText(QStringLiteral("primary")), QStringLiteral("selected text"));

    // Copied elsewhere with a line break, as from a terminal or an editor.
    ASSERT_TRUE(setClipboardText(QStringLiteral("#1E90FF\n")));
    const QPoint slot3 = slotInner(3).center();
    xdo::click(slot3.x(), slot3.y(), 3);
    EXPECT_TRUE(waitUntil([] { return slotColour(3) == qRgb(0x1e, 0x90, 0xff); }))
        << QColor(slotColour(3)).name().toStdString();
    EXPECT_EQ(slotColour(0), qRgb(0x12, 0x34, 0x56));
}

TEST_F(BlindPicker, PickedColourFillsTheSelectedSlot) {
    startWith(QStringLiteral("#c83264"));
    if (IsSkipped() || HasFatalFailure()) return;
    pressCrosshair();
    EXPECT_TRUE(waitUntil([] { return slotColour(0) == qRgb(0xc8, 0x32, 0x64); }))
        << QColor(slotColour(0)).name().toStdString() << app.output().toStdString();
    // The sample box around the crosshair shows it too.
    EXPECT_EQ(pixelAt(kPanel.x() + 2, kPanel.y() + 2).rgb(), qRgb(0xc8, 0x32, 0x64));
}

TEST_F(BlindPicker, WithoutAPortalTheHelpTextSaysSoAndTheSlotStays) {
    startWith({});
    if (IsSkipped() || HasFatalFailure()) return;
    const QRgb before = slotColour(0);
    const QImage info = grabScreen(kInfo);
    pressCrosshair();
    EXPECT_TRUE(waitUntil([&] { return grabScreen(kInfo) != info; })) << app.output().toStdString();
    EXPECT_EQ(slotColour(0), before);
}

} // namespace
