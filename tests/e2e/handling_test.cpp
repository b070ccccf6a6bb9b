#include "Harness.h"

#include <QProcess>

using namespace e2e;

namespace {

// Client pixels of the button row at 96 dpi (twips / 15), plus the frame.
constexpr QPoint kOnTopButton(1 + 20, 1 + 7); // 225..390 twips: client pixels 15..25
// Centre of the grip, counted from the window's right edge: the grip is 11
// pixels wide and ends 60 twips (4 pixels) before the far end.
constexpr int kGripCentreFromEnd = 9;

class Handling : public E2ETest {
protected:
    // Starts the program and returns its ruler window's geometry.
    QRect startRuler(Program& p) {
        EXPECT_TRUE(p.start()) << p.output().toStdString();
        const auto w = p.waitForWindow();
        EXPECT_TRUE(w.has_value());
        if (!w) return {};
        id = w->id;
        return w->geometry;
    }
    QRect now() const { return geometry(id).value_or(QRect()); }
    bool waitForGeometry(const QRect& want) {
        return waitUntil([&] { return now() == want; }, 3s);
    }

    xcb_window_t id = 0;
};

TEST_F(Handling, DragMovesByTheDragDistanceAndDoubleClickStillTurns) {
    Program p;
    const QRect r = startRuler(p);
    ASSERT_EQ(r, QRect(60, 60, 600, 61));

    const QPoint press = r.topLeft() + QPoint(300, 45); // on the scale strip
    xdo::mouseMove(press.x(), press.y());
    xdo::mouseDown();
    for (int i = 1; i <= 10; ++i)
        xdo::mouseMove(press.x() + 12 * i, press.y() + 17 * i);
    xdo::mouseUp();
    EXPECT_TRUE(waitForGeometry(QRect(180, 230, 600, 61)))
        << "now at " << now().x() << "," << now().y();

    // The bare window surface between the buttons and the grip drags too.
    xdo::mouseMove(180 + 200, 230 + 6);
    xdo::mouseDown();
    xdo::mouseMove(180 + 190, 230 + 1);
    xdo::mouseMove(180 + 170, 230 - 4);
    xdo::mouseUp();
    EXPECT_TRUE(waitForGeometry(QRect(150, 220, 600, 61)));

    // A right-button drag does nothing.
    xdo::mouseMove(150 + 300, 220 + 45);
    xdo::mouseDown(3);
    xdo::mouseMove(150 + 350, 220 + 95);
    xdo::mouseUp(3);
    xdo::mouseMove(150 + 300, 220 + 45);

    xdo::doubleClick(150 + 300, 220 + 45);
    EXPECT_TRUE(waitForGeometry(QRect(150, 220, 61, 600)));
    xdo::doubleClick(150 + 45, 220 + 300);
    EXPECT_TRUE(waitForGeometry(QRect(150, 220, 600, 61)));
}

TEST_F(Handling, GripPutsTheFarEdgeUnderTheCursor) {
    Program p;
    const QRect r = startRuler(p);
    const QPoint grip(r.left() + r.width() - kGripCentreFromEnd, r.top() + 1 + 7);
    xdo::mouseMove(grip.x(), grip.y());
    xdo::mouseDown();
    xdo::mouseMove(grip.x() + 40, grip.y() + 20);
    xdo::mouseMove(800, grip.y() + 40);
    xdo::mouseUp();
    // Width = 15 x 800 - 900 twips: the right edge is the pixel left of the cursor.
    EXPECT_TRUE(waitForGeometry(QRect(60, 60, 740, 61))) << now().width();

    // Shorter, with the right button; the grip is found again at its new place.
    const QPoint grip2(60 + 740 - kGripCentreFromEnd, 60 + 8);
    xdo::mouseMove(grip2.x(), grip2.y());
    xdo::mouseDown(3);
    xdo::mouseMove(400, 300);
    xdo::mouseUp(3);
    EXPECT_TRUE(waitForGeometry(QRect(60, 60, 340, 61))) << now().width();
}

TEST_F(Handling, ArrowKeysNudgeByOneOrTenPixels) {
    Program p;
    const QRect r = startRuler(p);
    xdo::click(r.left() + 300, r.top() + 45); // focus to the strip, no move
    ASSERT_TRUE(waitForGeometry(r));
    xdo::key("Right");
    EXPECT_TRUE(waitForGeometry(r.translated(1, 0)));
    xdo::key("shift+Down");
    EXPECT_TRUE(waitForGeometry(r.translated(1, 10)));
    xdo::key("ctrl+shift+Left");
    EXPECT_TRUE(waitForGeometry(r.translated(0, 10)));
    xdo::key("Up");
    EXPECT_TRUE(waitForGeometry(r.translated(0, 9)));
}

TEST_F(Handling, TopmostButtonTogglesTheStackingInPlace) {
    Program p;
    const QRect r = startRuler(p);
    ASSERT_TRUE(netWmState(id).contains("_NET_WM_STATE_ABOVE"));
    xdo::click(r.left() + kOnTopButton.x(), r.top() + kOnTopButton.y());
    EXPECT_TRUE(waitUntil([&] { return !netWmState(id).contains("_NET_WM_STATE_ABOVE"); }, 3s));
    // Same native window, still shown, still out of the taskbar.
    EXPECT_EQ(now(), r);
    EXPECT_TRUE(netWmState(id).contains("_NET_WM_STATE_SKIP_TASKBAR"));
    xdo::waitOutDoubleClickTime();
    xdo::click(r.left() + kOnTopButton.x(), r.top() + kOnTopButton.y());
    EXPECT_TRUE(waitUntil([&] { return netWmState(id).contains("_NET_WM_STATE_ABOVE"); }, 3s));
    // A double-click toggles once; the close button stores what it left.
    xdo::waitOutDoubleClickTime();
    xdo::doubleClick(r.left() + kOnTopButton.x(), r.top() + kOnTopButton.y());
    ASSERT_TRUE(waitUntil([&] { return !netWmState(id).contains("_NET_WM_STATE_ABOVE"); }, 3s));
    xdo::click(r.left() + 8, r.top() + 8);
    ASSERT_TRUE(p.waitForExit());
    EXPECT_EQ(p.readSettings().value("AlwaysOnTop"), "0");
}

TEST_F(Handling, CloseButtonStoresAndTheNextStartRestores) {
    QMap<QString, QString> stored;
    {
        Program p;
        const QRect r = startRuler(p);
        xdo::click(r.left() + kOnTopButton.x(), r.top() + kOnTopButton.y()); // topmost off
        xdo::click(r.left() + 300, r.top() + 45);
        xdo::key("shift+Right");
        ASSERT_TRUE(waitForGeometry(r.translated(10, 0)));
        xdo::doubleClick(r.left() + 10 + 300, r.top() + 45); // vertical
        ASSERT_TRUE(waitForGeometry(QRect(70, 60, 61, 600)));
        xdo::click(70 + 8, 60 + 8); // close button
        ASSERT_TRUE(p.waitForExit());
        EXPECT_TRUE(p.exitedCleanly());
        stored = p.readSettings();
    }
    EXPECT_EQ(stored.value("Installed"), "1");
    EXPECT_EQ(stored.value("AlwaysOnTop"), "0");
    EXPECT_EQ(stored.value("Orientation"), "1");
    EXPECT_EQ(stored.value("Left"), "1050");
    EXPECT_EQ(stored.value("Top"), "900");
    EXPECT_EQ(stored.value("Size"), "9000");

    QString ini("[General]\n");
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        ini += it.key() + '=' + it.value() + '\n';
    Program again(ini);
    EXPECT_EQ(startRuler(again), QRect(70, 60, 61, 600));
    EXPECT_FALSE(netWmState(id).contains("_NET_WM_STATE_ABOVE"));
}

TEST_F(Handling, EndOfSessionStores) {
    Program p;
    const QRect r = startRuler(p);
    xdo::click(r.left() + 300, r.top() + 45);
    xdo::key("shift+Left");
    ASSERT_TRUE(waitForGeometry(r.translated(-10, 0)));
    ASSERT_TRUE(p.terminate());
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(p.readSettings().value("Left"), "750");
}

// The notification-area icon of the program inside trayer's panel.
std::optional<QPoint> trayIconCentre() {
    QProcess q;
    q.start("xdotool", {"search", "--classname", "panel"});
    q.waitForFinished(3000);
    for (const QByteArray& line : q.readAllStandardOutput().split('\n')) {
        bool ok = false;
        const auto win = xcb_window_t(line.trimmed().toULong(&ok));
        if (!ok) continue;
        if (const auto g = geometry(win); g && g->width() > 0) return g->center();
    }
    return std::nullopt;
}

TEST_F(Handling, CloseRequestHidesAndTheIconBringsItBack) {
    Tray tray;
    ASSERT_TRUE(tray.ready());
    Program p;
    const QRect r = startRuler(p);
    std::optional<QPoint> icon;
    ASSERT_TRUE(waitUntil([&] { return (icon = trayIconCentre()).has_value(); }, 5s));

    xdo::click(r.left() + 300, r.top() + 45);
    xdo::key("alt+F4");
    EXPECT_TRUE(waitUntil([&] { return p.windows().empty(); }, 3s));
    EXPECT_TRUE(p.running());
    EXPECT_EQ(p.readSettings().value("Left"), "900"); // only the first-run values

    xdo::doubleClick(icon->x(), icon->y());
    EXPECT_TRUE(waitUntil([&] { return p.windows().size() == 1; }, 3s));
    EXPECT_EQ(now(), r);
    xdo::doubleClick(icon->x(), icon->y());
    EXPECT_TRUE(waitUntil([&] { return p.windows().empty(); }, 3s));
    xdo::doubleClick(icon->x(), icon->y());
    EXPECT_TRUE(waitUntil([&] { return p.windows().size() == 1; }, 3s));
}

TEST_F(Handling, CloseRequestWithoutANotificationAreaEndsRegularly) {
    ASSERT_FALSE(trayPresent());
    Program p;
    const QRect r = startRuler(p);
    xdo::click(r.left() + 300, r.top() + 45);
    xdo::key("shift+Down");
    ASSERT_TRUE(waitForGeometry(r.translated(0, 10)));
    xdo::key("alt+F4");
    ASSERT_TRUE(p.waitForExit());
    EXPECT_TRUE(p.exitedCleanly());
    EXPECT_EQ(p.readSettings().value("Top"), "1050");
}

} // namespace

namespace {

TEST_F(Handling, TwipsFollowTheLogicalDpiWithoutScaling) {
    const XftDpi dpi(120);
    Program p;
    // 12 twips per pixel: 900/900 twips at 75/75, 9000 x 915 twips as 750 x 76.
    const QRect r = startRuler(p);
    EXPECT_EQ(r, QRect(75, 75, 750, 76));
    xdo::click(r.left() + 300, r.top() + 60);
    xdo::key("shift+Right");
    EXPECT_TRUE(waitForGeometry(r.translated(10, 0)));
    ASSERT_TRUE(p.terminate());
    EXPECT_EQ(p.readSettings().value("Left"), "1020");
}

} // namespace
