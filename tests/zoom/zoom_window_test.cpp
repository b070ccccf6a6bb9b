#include "support/RulerFixture.h"
#include "zoom/ZoomGeometry.h"
#include "zoom/frmZoom.h"

#include <QCoreApplication>
#include <QWidget>

#include <algorithm>
#include <map>
#include <set>

namespace {

// A screen whose every pixel tells where it lies: red and green are the low
// bytes of x and y, blue holds their high bits.
QColor PatternAt(int x, int y) {
    return QColor(x & 0xFF, y & 0xFF, ((x >> 8) << 4) | (y >> 8));
}

QPoint PatternPoint(QRgb c) {
    return QPoint(qRed(c) | ((qBlue(c) >> 4) << 8), qGreen(c) | ((qBlue(c) & 0xF) << 8));
}

QImage PatternScreen(QSize size) {
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            img.setPixel(x, y, PatternAt(x, y).rgb());
    return img;
}

const QRgb kPaleYellow = qRgb(0xFF, 0xFF, 0xC0);
const QRgb kWhite = qRgb(0xFF, 0xFF, 0xFF);
const QRgb kBlack = qRgb(0, 0, 0);

class ZoomWindow : public ::testing::Test {
protected:
    void open(QPoint cursor = {512, 384}) {
        desk.cursor = cursor;
        frm = std::make_unique<zoom::frmZoom>(desk);
        frm->Show();
    }
    void tickAt(QPoint cursor) {
        desk.cursor = cursor;
        frm->tmrUpdate.Fire();
    }
    const QImage& drawing() const { return frm->surface().image(); }

    platform::FakeDesktop desk;
    std::unique_ptr<zoom::frmZoom> frm;
};

TEST_F(ZoomWindow, DesignOfTheWindowAndItsStrip) {
    open();
    EXPECT_EQ(frm->window()->size(), QSize(265, 234));
    EXPECT_EQ(frm->framePx(), 0);
    EXPECT_EQ(frm->client()->geometry(), QRect(0, 0, 265, 234));
    EXPECT_EQ(frm->surface().image().size(), QSize(265, 234));
    EXPECT_EQ(frm->intZoomLevel, 1);
    EXPECT_EQ(frm->tmrUpdate.Interval(), 10);
    EXPECT_TRUE(frm->tmrUpdate.Enabled());
    // The strip runs past the right edge (and one pixel past the bottom)
    // and is cut off there.
    EXPECT_EQ(frm->lblCoord.widget()->geometry(), QRect(0, 216, 297, 19));
    EXPECT_EQ(frm->lblCoord.widget()->visibleRegion().boundingRect(), QRect(0, 0, 265, 18));
    EXPECT_EQ(frm->lblCoord.Font().family(), QStringLiteral("Liberation Sans"));
    EXPECT_TRUE(frm->lblCoord.Font().bold());
    EXPECT_DOUBLE_EQ(frm->lblCoord.Font().pointSizeF(), 8.25);
    // Always on top, out of the taskbar, active after showing.
    EXPECT_TRUE(desk.topmost.value(frm->window()));
    EXPECT_EQ(std::count(desk.skipTaskbar.begin(), desk.skipTaskbar.end(), frm->window()), 1);
    EXPECT_EQ(desk.active, frm->window());
    // Placed beside the cursor before the first tick.
    EXPECT_EQ(frm->window()->pos(), QPoint(532, 404));
}

TEST_F(ZoomWindow, TickFollowsTheCursorAndCaptionsIt) {
    struct Row {
        QPoint cursor;
        QPoint windowPx;
        const char* caption;
    };
    const Row kRows[] = {
        {{100, 100}, {120, 120}, "  X = 100  Y = 100  Zoom = x48"},
        {{900, 100}, {615, 120}, "  X = 900  Y = 100  Zoom = x48"},
        {{739, 300}, {759, 320}, "  X = 739  Y = 300  Zoom = x48"},
        {{1023, 767}, {738, 513}, "  X = 1023  Y = 767  Zoom = x48"},
    };
    open();
    for (const Row& r : kRows) {
        tickAt(r.cursor);
        EXPECT_EQ(frm->window()->pos(), r.windowPx) << r.caption;
        EXPECT_EQ(frm->lblCoord.Caption(), QString::fromLatin1(r.caption));
    }
    EXPECT_FLOAT_EQ(frm->Left(), 11070);
    EXPECT_FLOAT_EQ(frm->Top(), 7695);
    // Put back on top on every tick without taking the focus from anyone.
    desk.active = nullptr;
    const int raises = desk.raises;
    tickAt({10, 10});
    EXPECT_EQ(desk.raises, raises + 1);
    EXPECT_EQ(desk.active, nullptr);
}

TEST_F(ZoomWindow, ClosesOnlyWithTheCursorOnTheCornerPixel) {
    struct Row {
        QPoint cursor;
        bool staysOpen;
    };
    for (const Row r :
         {Row{{0, 5}, true}, Row{{5, 0}, true}, Row{{1, 1}, true}, Row{{0, 0}, false}}) {
        open({300, 300});
        tickAt(r.cursor);
        EXPECT_EQ(frm->Loaded(), r.staysOpen) << r.cursor.x() << "," << r.cursor.y();
        EXPECT_EQ(frm->Visible(), r.staysOpen);
        EXPECT_EQ(frm->tmrUpdate.Enabled(), r.staysOpen);
        EXPECT_EQ(desk.wheelWatchers.contains(frm->window()), r.staysOpen);
    }
    // The closing tick still followed the cursor, drew and captioned.
    EXPECT_EQ(frm->lblCoord.Caption(), QStringLiteral("  X = 0  Y = 0  Zoom = x48"));

    // The corner is the primary screen's, also where a screen lies left of it.
    desk.primaryOrigin = {1280, 0};
    desk.extraScreens = {QRect(0, 0, 1280, 1024)};
    for (const Row r : {Row{{0, 0}, true}, Row{{1280, 0}, false}}) {
        open({300, 300});
        tickAt(r.cursor);
        EXPECT_EQ(frm->Loaded(), r.staysOpen) << r.cursor.x() << "," << r.cursor.y();
    }
}

TEST_F(ZoomWindow, PlacedAndFedByTheScreenThatHoldsTheCursor) {
    // A taller screen right of the primary, and the gap below the primary.
    desk.extraScreens = {QRect(1024, 0, 1280, 1024)};
    QImage red(1280, 1024, QImage::Format_RGB32);
    red.fill(Qt::red);
    desk.extraImages = {red};
    open();
    struct Row {
        QPoint cursor;
        QPoint windowPx;
    };
    const Row kRows[] = {
        {{1030, 900}, {1050, 646}},  // room right of the cursor on the wide screen
        {{2300, 100}, {2015, 120}},  // its right edge flips the window
        {{1000, 1000}, {1020, 746}}, // in the gap: the nearest screen counts
    };
    for (const Row& r : kRows) {
        tickAt(r.cursor);
        EXPECT_EQ(frm->window()->pos(), r.windowPx) << r.cursor.x() << "," << r.cursor.y();
    }
    // The square around (1030, 900): the gap left of x = 1024 is black, the
    // second screen's pixels are copied.
    tickAt({1030, 900});
    EXPECT_EQ(drawing().pixel(20, 100), kBlack);
    EXPECT_EQ(drawing().pixel(250, 100), qRgb(255, 0, 0));
}

TEST_F(ZoomWindow, WheelStepsShowFromTheNextTick) {
    open();
    tickAt({512, 384});
    desk.wheel(+1);
    EXPECT_EQ(frm->lblCoord.Caption(), QStringLiteral("  X = 512  Y = 384  Zoom = x48"));
    tickAt({512, 384});
    EXPECT_EQ(frm->lblCoord.Caption(), QStringLiteral("  X = 512  Y = 384  Zoom = x96"));

    // Each notch is one step, several between two ticks included.
    desk.wheel(+1);
    desk.wheel(+1);
    tickAt({512, 384});
    EXPECT_EQ(frm->intZoomLevel, 4);
    for (int i = 0; i < 5; ++i)
        desk.wheel(-1);
    tickAt({512, 384});
    EXPECT_EQ(frm->intZoomLevel, 1);

    // Only while the zoom window is the active one.
    QWidget other;
    desk.active = &other;
    desk.wheel(+1);
    EXPECT_EQ(frm->intZoomLevel, 1);
    frm->Show();
    desk.wheel(+1);
    EXPECT_EQ(frm->intZoomLevel, 2);
}

TEST_F(ZoomWindow, StretchesTheSquareAboveLeftOfTheCursorOverTheWholeWindow) {
    desk.screen = PatternScreen({1024, 768});
    struct Row {
        int n;
        int side;
    };
    for (const Row r : {Row{1, 48}, Row{2, 24}, Row{5, 10}, Row{40, 1}}) {
        SCOPED_TRACE(r.n);
        open({300, 200});
        for (int i = 1; i < r.n; ++i)
            desk.wheel(+1);
        tickAt({300, 200});
        ASSERT_EQ(frm->intZoomLevel, r.n);
        // Inside the frame every pixel is a copy of one source pixel of the
        // square with corner (276, 176); rows and columns grow with the
        // source, and every source pixel shows.
        std::set<std::pair<int, int>> seen;
        const QImage& img = drawing();
        QPoint last(-1, -1);
        for (int y = 3; y < 231; ++y) {
            for (int x = 3; x < 262; ++x) {
                const QPoint s = PatternPoint(img.pixel(x, y));
                ASSERT_TRUE(QRect(276, 176, r.side, r.side).contains(s)) << x << "," << y;
                if (x > 3) {
                    ASSERT_GE(s.x(), last.x());
                }
                last = s;
                seen.insert({s.x(), s.y()});
            }
        }
        EXPECT_EQ(int(seen.size()), r.side * r.side);
        // At n = 2 the bottom-right source pixel is the one above left of the cursor.
        if (r.n == 2) {
            EXPECT_EQ(PatternPoint(img.pixel(261, 230)), QPoint(299, 199));
        }
    }
}

TEST_F(ZoomWindow, EnlargementsDifferAcrossAndDown) {
    desk.screen = PatternScreen({1024, 768});
    open({300, 200});
    tickAt({300, 200});
    // 48 pixels over 265 across (5 or 6 each) and over 234 down (4 or 5).
    std::map<int, int> widths, heights;
    for (int x = 0; x < 265; ++x)
        ++widths[PatternPoint(drawing().pixel(x, 100)).x()];
    for (int y = 0; y < 234; ++y)
        ++heights[PatternPoint(drawing().pixel(100, y)).y()];
    for (int sx = 277; sx < 323; ++sx) {
        SCOPED_TRACE(sx);
        EXPECT_GE(widths[sx], 5);
        EXPECT_LE(widths[sx], 6);
    }
    for (int sy = 177; sy < 223; ++sy) {
        EXPECT_GE(heights[sy], 4);
        EXPECT_LE(heights[sy], 5);
    }
}

TEST_F(ZoomWindow, FrameAndOffScreenSourceAndNothingCopiedFromLevel96) {
    desk.screen = PatternScreen({1024, 768});
    open({10, 10});
    tickAt({10, 10});
    // The pale-yellow frame: three pixels of the five-pixel pen lie inside.
    for (const QPoint p : {QPoint(0, 100), QPoint(2, 100), QPoint(264, 100), QPoint(262, 100),
                           QPoint(100, 0), QPoint(100, 2), QPoint(100, 233), QPoint(100, 231)})
        EXPECT_EQ(drawing().pixel(p), kPaleYellow) << p.x() << "," << p.y();
    EXPECT_NE(drawing().pixel(3, 100), kPaleYellow);
    EXPECT_NE(drawing().pixel(261, 100), kPaleYellow);
    // The source square starts 14 pixels off the screen: black there.
    EXPECT_EQ(drawing().pixel(10, 10), kBlack);

    for (int i = 1; i < 96; ++i)
        desk.wheel(+1);
    const int captures = desk.captures;
    tickAt({10, 10});
    EXPECT_EQ(frm->lblCoord.Caption(), QStringLiteral("  X = 10  Y = 10  Zoom = x4608"));
    EXPECT_EQ(desk.captures, captures);
    EXPECT_EQ(drawing().pixel(100, 100), kWhite);
    EXPECT_EQ(drawing().pixel(1, 100), kPaleYellow);
}

class ZoomButton : public RulerFixture {};

TEST_F(ZoomButton, OpensActivatesKeepsTheLevelAndReopensAtOne) {
    start();
    frm->picZoom_Click();
    zoom::frmZoom* z = frm->zoomWindow();
    ASSERT_NE(z, nullptr);
    EXPECT_TRUE(z->Visible());
    EXPECT_EQ(desk.active, z->window());
    desk.wheel(+1);
    desk.wheel(+1);
    EXPECT_EQ(z->intZoomLevel, 3);

    // Another window takes the wheel; the button gives it back, level kept.
    desk.activate(frm->window());
    desk.wheel(+1);
    frm->picZoom_Click();
    EXPECT_EQ(frm->zoomWindow(), z);
    EXPECT_EQ(z->intZoomLevel, 3);
    EXPECT_EQ(desk.active, z->window());

    desk.cursor = {0, 0};
    z->tmrUpdate.Fire();
    EXPECT_FALSE(z->Visible());
    // Closed, it gives its window back once its tick is over.
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(frm->zoomWindow(), nullptr);
    frm->picZoom_Click();
    ASSERT_NE(frm->zoomWindow(), nullptr);
    EXPECT_TRUE(frm->zoomWindow()->Visible());
    EXPECT_EQ(frm->zoomWindow()->intZoomLevel, 1);
    EXPECT_EQ(desk.wheelWatchers.size(), 1);
}

TEST_F(ZoomButton, CloseButtonEndsTheProgramWithTheZoomWindowOpen) {
    start();
    frm->picZoom_Click();
    frm->picClose_Click();
    EXPECT_EQ(desk.endCalls, 1);
    EXPECT_EQ(frm->zoomWindow(), nullptr);
    EXPECT_TRUE(desk.wheelWatchers.isEmpty());
}

// A still cursor over a screen reported unchanged is neither captured nor
// drawn again; a change of the screen, the level or the cursor is.
TEST_F(ZoomWindow, StillViewIsKeptUntilSomethingChanges) {
    desk.screen = PatternScreen({1024, 768});
    open({300, 300});
    tickAt({300, 300});
    desk.screenStill = true;
    const int captures = desk.captures;
    tickAt({300, 300});
    EXPECT_EQ(desk.captures, captures);

    desk.screen.setPixel(290, 290, kBlack); // under the square, reported
    desk.screenStill = false;
    tickAt({300, 300});
    EXPECT_EQ(drawing().pixel(29 * 265 / 96, 29 * 234 / 96), kBlack); // source pixel (14, 14)

    desk.screenStill = true;
    frm->intZoomLevel = 2;
    tickAt({300, 300});
    EXPECT_EQ(frm->lblCoord.Caption(), QStringLiteral("  X = 300  Y = 300  Zoom = x96"));
    tickAt({301, 300});
    EXPECT_EQ(frm->lblCoord.Caption(), QStringLiteral("  X = 301  Y = 300  Zoom = x96"));
}

// Where the screen cannot be captured the window says so once, shows no
// black, and goes on following the cursor until it can see again.
TEST_F(ZoomWindow, BlindCaptureIsSaidInTheStripInsteadOfShowingBlack) {
    desk.blind = true;
    open({300, 200});
    tickAt({300, 200});
    const QString said = frm->lblCoord.Caption();
    EXPECT_FALSE(said.contains(QStringLiteral("X =")));
    EXPECT_FALSE(said.trimmed().isEmpty());
    EXPECT_EQ(drawing().pixel(130, 60), kWhite);
    EXPECT_EQ(desk.captures, 0);

    frm->lblCoord.setCaption(QString()); // a tick that wrote it again would show
    tickAt({400, 300});
    EXPECT_EQ(frm->lblCoord.Caption(), QString());
    EXPECT_EQ(frm->window()->pos(), QPoint(420, 320));

    desk.blind = false;
    desk.screen = PatternScreen(desk.screen.size());
    tickAt({400, 300});
    EXPECT_EQ(frm->lblCoord.Caption(), QStringLiteral("  X = 400  Y = 300  Zoom = x48"));
    EXPECT_GT(desk.captures, 0);
    EXPECT_NE(drawing().pixel(130, 60), kWhite);
}

} // namespace
