#include "support/RulerFixture.h"

#include "ruler/RulerGeometry.h"

#include <QTest>
#include <QTimer>

namespace {

struct ReadOutCase {
    double dpi;
    int orientation;
    QPoint cursor;
    QPoint windowPx; // outer top-left of the window
    const char* caption;
};

class ReadOut : public RulerFixture, public ::testing::WithParamInterface<ReadOutCase> {};

TEST_P(ReadOut, CountsPixelsFromTheOuterLeadingEdge) {
    const ReadOutCase c = GetParam();
    desk.dpiX = desk.dpiY = c.dpi;
    start();
    if (c.orientation == 1) frm->SwitchOrientation();
    frm->Move(float(c.windowPx.x()) * tppX(), float(c.windowPx.y()) * tppX());
    desk.cursor = c.cursor;
    frm->ctlMousePosTimer.Fire();
    EXPECT_EQ(frm->lblPixel.Caption(), QString::fromLatin1(c.caption));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadOut,
    ::testing::Values(ReadOutCase{96, 0, {300, 5}, {200, 50}, "100"},
                      ReadOutCase{96, 0, {201, 500}, {200, 50}, "1"}, // the 0 mark
                      ReadOutCase{96, 0, {175, 60}, {200, 50}, "-25"},
                      ReadOutCase{96, 0, {900, 60}, {200, 50}, "700"}, // beyond the end
                      ReadOutCase{120, 0, {300, 5}, {200, 50}, "100"},
                      ReadOutCase{120, 0, {175, 60}, {200, 50}, "-25"},
                      ReadOutCase{96, 1, {999, 130}, {200, 50}, "80"}, // only the row counts
                      ReadOutCase{96, 1, {0, 130}, {200, 50}, "80"},
                      ReadOutCase{120, 1, {5, 40}, {200, 50}, "-10"},
                      // Fractional twips per pixel: still whole pixels.
                      ReadOutCase{168, 0, {300, 5}, {105, 105}, "195"},
                      ReadOutCase{168, 0, {106, 5}, {105, 105}, "1"},
                      ReadOutCase{168, 1, {5, 100}, {105, 105}, "-5"},
                      ReadOutCase{144, 0, {301, 5}, {93, 93}, "208"},
                      ReadOutCase{192, 1, {5, 777}, {120, 121}, "656"}));

// A place stored off the pixel grid, or at another DPI: the window stands on
// a whole pixel, the read-out counts from it, and that pixel's twips are
// what is stored back.
TEST_F(RulerFixture, StoredPlaceOffThePixelGridLandsOnIt) {
    const struct {
        double dpi;
        int left;
        int pixel;
        const char* storedBack;
    } rows[] = {
        {96, 907, 60, "900"},   // 60.47 pixels
        {120, 915, 76, "912"},  // stored at 96 dpi: 76.25 pixels
        {168, 900, 105, "900"}, // 105.00001 pixels
        {168, 907, 106, "909"}, // 908.57 twips, rounded
    };
    const QString key = QStringLiteral("Software\\Kalmoro\\Quillant\\");
    for (const auto& r : rows) {
        SCOPED_TRACE(r.left);
        desk.dpiX = desk.dpiY = r.dpi;
        desk.store.values.clear();
        for (const auto& [name, v] : {std::pair{"Installed", 1},
                                      {"AlwaysOnTop", 0},
                                      {"Orientation", 0},
                                      {"Top", r.left},
                                      {"Size", 9000}})
            desk.store.values[key + name] = QString::number(v);
        desk.store.values[key + "Left"] = QString::number(r.left);
        start();
        EXPECT_EQ(frm->window()->pos(), QPoint(r.pixel, r.pixel));
        for (int d : {1, 195, -25}) {
            desk.cursor = QPoint(r.pixel + d, 0);
            frm->ctlMousePosTimer.Fire();
            EXPECT_EQ(frm->lblPixel.Caption(), QString::number(d));
        }
        frm->picClose_Click();
        EXPECT_EQ(desk.store.values.value(key + "Left"), r.storedBack);
        EXPECT_EQ(desk.store.values.value(key + "Top"), r.storedBack);
    }
}

TEST_F(RulerFixture, ReadOutStartsAtZeroAndStopsWithThePicker) {
    start();
    EXPECT_EQ(frm->lblPixel.Caption(), "0");
    EXPECT_TRUE(frm->ctlMousePosTimer.Enabled());
    frm->picColor_Click();
    EXPECT_FALSE(frm->ctlMousePosTimer.Enabled());
    EXPECT_FALSE(frm->lblPixel.Visible());
}

TEST(RulerNumbers, PlainDecimalText) {
    EXPECT_EQ(ruler::NumberText(0), "0");
    EXPECT_EQ(ruler::NumberText(-25), "-25");
    EXPECT_EQ(ruler::NumberText(0.5), "0.5");
    EXPECT_EQ(ruler::NumberText(-1.0 / 15.0), "-0.0666666666666667");
}

struct KeyCase {
    int key;
    Qt::KeyboardModifiers mods;
    QPoint deltaPx;
};

class ArrowKeys : public RulerFixture, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(ArrowKeys, MoveOnceByOneOrTenPixels) {
    const KeyCase c = GetParam();
    for (double dpi : {96.0, 120.0}) {
        desk.dpiX = desk.dpiY = dpi;
        start();
        const float left = frm->Left(), top = frm->Top();
        const QPoint pos = frm->window()->pos();
        // From the strip (it has the focus) and from the bare window.
        QTest::keyClick(frm->picRuler.widget(), Qt::Key(c.key), c.mods);
        QTest::keyClick(frm->client(), Qt::Key(c.key), c.mods);
        EXPECT_FLOAT_EQ(frm->Left(), left + 2 * float(c.deltaPx.x()) * tppX()) << dpi;
        EXPECT_FLOAT_EQ(frm->Top(), top + 2 * float(c.deltaPx.y()) * tppX()) << dpi;
        EXPECT_EQ(frm->window()->pos(), pos + 2 * c.deltaPx) << dpi;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ArrowKeys,
    ::testing::Values(KeyCase{Qt::Key_Right, {}, {1, 0}}, KeyCase{Qt::Key_Left, {}, {-1, 0}},
                      KeyCase{Qt::Key_Up, {}, {0, -1}}, KeyCase{Qt::Key_Down, {}, {0, 1}},
                      KeyCase{Qt::Key_Right, Qt::ShiftModifier, {10, 0}},
                      KeyCase{Qt::Key_Up, Qt::ShiftModifier, {0, -10}},
                      KeyCase{Qt::Key_Right, Qt::ShiftModifier | Qt::ControlModifier, {1, 0}},
                      KeyCase{Qt::Key_Down, Qt::ShiftModifier | Qt::AltModifier, {0, 1}},
                      KeyCase{Qt::Key_A, {}, {0, 0}}));

TEST_F(RulerFixture, ArrowKeysPassTheScreenEdge) {
    start();
    frm->Move(0, 0);
    QTest::keyClick(frm->picRuler.widget(), Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_FLOAT_EQ(frm->Left(), -150);
    EXPECT_EQ(frm->window()->pos().x(), -10);
}

// Presses the grip, lets the loop run one motion and the release, and returns.
void dragGrip(shell::frmRuler& frm, platform::FakeDesktop& desk, forms::PictureBox& grip,
              QPoint motion, QPoint release, Qt::MouseButton button = Qt::LeftButton) {
    QTimer::singleShot(0, grip.widget(), [&, motion, release, button] {
        desk.cursor = motion;
        QTimer::singleShot(0, grip.widget(), [&, release, button] {
            desk.cursor = release;
            QTest::mouseRelease(grip.widget(), button, {}, QPoint(2, 2));
        });
    });
    QTest::mousePress(grip.widget(), button, {}, QPoint(2, 2));
    (void)frm;
}

TEST_F(RulerFixture, GripPutsTheFarEdgeUnderTheCursor) {
    start(); // Left = 900 twips
    dragGrip(*frm, desk, frm->picResizeH, {500, 70}, {660, 75});
    EXPECT_FALSE(frm->blnResizing);
    EXPECT_FLOAT_EQ(frm->Width(), 9000); // 15 x 660 - 900, the cursor at the release
    EXPECT_FLOAT_EQ(frm->picResizeH.Left() + frm->picResizeH.Width(), 9000 - 60);
    EXPECT_EQ(frm->picRuler.image().width(), 600);

    // Any button works, and the vertical grip changes the height.
    frm->SwitchOrientation();
    dragGrip(*frm, desk, frm->picResizeV, {0, 200}, {0, 400}, Qt::RightButton);
    EXPECT_FLOAT_EQ(frm->Height(), 15 * 400 - 900);
    EXPECT_FLOAT_EQ(frm->Width(), 915);
}

TEST_F(RulerFixture, GripKeepsAReachableLength) {
    start();
    dragGrip(*frm, desk, frm->picResizeH, {10, 70}, {0, 70});
    EXPECT_FLOAT_EQ(frm->Width(), ruler::kMinLength);
    // The grip stays clear of the zoom button.
    EXPECT_GT(frm->picResizeH.Left(), frm->picZoom.Left() + frm->picZoom.Width());
}

// Sends a mouse event with an explicit screen position, as the X server does.
void send(QWidget* w, QEvent::Type type, QPoint screen, Qt::MouseButton button,
          Qt::MouseButtons held) {
    const QPointF local = w->mapFromGlobal(QPointF(screen));
    QMouseEvent e(type, local, local, QPointF(screen), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

TEST_F(RulerFixture, LeftPressDragsWithThePressOffsetOthersDoNothing) {
    start();
    QWidget* strip = frm->picRuler.widget();
    const QPoint start = frm->window()->pos();
    const QPoint press = start + QPoint(100, 40);
    send(strip, QEvent::MouseButtonPress, press, Qt::RightButton, Qt::RightButton);
    send(strip, QEvent::MouseMove, press + QPoint(30, 30), Qt::NoButton, Qt::RightButton);
    send(strip, QEvent::MouseButtonRelease, press + QPoint(30, 30), Qt::RightButton, {});
    EXPECT_EQ(frm->window()->pos(), start);

    // The window follows every motion; the pointer's position by now (the
    // fake cursor) does not matter, the events' positions do.
    desk.cursor = QPoint(999, 999);
    send(strip, QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::LeftButton);
    send(strip, QEvent::MouseMove, press + QPoint(3, 2), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(frm->window()->pos(), start + QPoint(3, 2));
    send(strip, QEvent::MouseMove, press + QPoint(-37, 25), Qt::NoButton, Qt::LeftButton);
    send(strip, QEvent::MouseButtonRelease, press + QPoint(-37, 25), Qt::LeftButton, {});
    EXPECT_EQ(frm->window()->pos(), start + QPoint(-37, 25));
    EXPECT_FLOAT_EQ(frm->Left(), float(start.x() - 37) * 15);
    EXPECT_FLOAT_EQ(frm->Top(), float(start.y() + 25) * 15);
    // After the release, motions no longer move the window.
    send(strip, QEvent::MouseMove, press, Qt::NoButton, {});
    EXPECT_EQ(frm->window()->pos(), start + QPoint(-37, 25));

    // The bare window drags the same way.
    const QPoint now = frm->window()->pos();
    send(frm->client(), QEvent::MouseButtonPress, now + QPoint(300, 5), Qt::LeftButton,
         Qt::LeftButton);
    send(frm->client(), QEvent::MouseMove, now + QPoint(310, 15), Qt::NoButton, Qt::LeftButton);
    send(frm->client(), QEvent::MouseButtonRelease, now + QPoint(310, 15), Qt::LeftButton, {});
    EXPECT_EQ(frm->window()->pos(), now + QPoint(10, 10));
}

} // namespace
