// The program on a desktop of two monitors of different sizes:
// DUMMY0 1280x1024 at 0,0 (primary) and DUMMY1 1024x768 at 1280,0, which
// leaves a gap below DUMMY1. scripts/lib-x.sh (x_start_screens) provides it.
#include "e2e/Harness.h"

#include <QGuiApplication>
#include <QHash>
#include <QScreen>

using namespace e2e;

namespace {

const QRect kPrimary(0, 0, 1280, 1024);
const QRect kSecond(1280, 0, 1024, 768);
constexpr QSize kZoomSize(265, 234);
// Buttons and read-out in the ruler's client area, one-pixel frame included.
constexpr QPoint kColorButton(1 + 45 + 5, 1 + 2 + 5);
constexpr QPoint kZoomButton(1 + 58 + 5, 1 + 2 + 5);
constexpr QPoint kPanel(1 + 2, 1 + 16);
constexpr QPoint kGrabberCentre = kPanel + QPoint(1 + 4 + 16, 1 + 4 + 16);
const QRect kButtonRow(1, 1, 140, 13); // the buttons and the read-out beside them
const QRgb kSampleBack = qRgb(0xFF, 0xC0, 0x80);

bool layoutIs(const std::vector<QRect>& rects) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() != qsizetype(rects.size())) return false;
    for (qsizetype i = 0; i < screens.size(); ++i)
        if (screens[i]->geometry() != rects[std::size_t(i)]) return false;
    return true;
}

// The pixels of `r` once they stay the same over a few read-out ticks.
QImage settled(const QRect& r) {
    QImage last = grabScreen(r);
    QImage now;
    waitUntil([&] {
        waitUntil([] { return false; }, 200ms);
        now = grabScreen(r);
        const bool same = now == last;
        last = now;
        return same;
    });
    return now;
}

bool xrandr(const QStringList& args) {
    return QProcess::execute(QStringLiteral("xrandr"), args) == 0;
}

// A stored ruler, horizontal and not on top, at the pixel `at` (96 dpi).
QString storedAt(QPoint at) {
    return QStringLiteral("[General]\nInstalled=1\nAlwaysOnTop=0\nOrientation=0\nSize=9000\n"
                          "Left=%1\nTop=%2\n")
        .arg(at.x() * 15)
        .arg(at.y() * 15);
}

class TwoScreens : public E2ETest {
protected:
    void SetUp() override {
        E2ETest::SetUp();
        if (IsSkipped()) return;
        if (!layoutIs({kPrimary, kSecond}))
            GTEST_SKIP() << "needs the two-monitor desktop of x_start_screens";
        if (QGuiApplication::primaryScreen()->logicalDotsPerInch() != 96)
            GTEST_SKIP() << "the expected pixels assume 96 dpi";
    }
    void TearDown() override {
        // Whatever a test did to the layout, the next one finds both monitors.
        if (IsSkipped() || layoutIs({kPrimary, kSecond})) return;
        xrandr({"--output", "DUMMY1", "--mode", "1024x768", "--right-of", "DUMMY0"});
        EXPECT_TRUE(waitUntil([] { return layoutIs({kPrimary, kSecond}); }));
    }

    // Starts the program and waits for its ruler at `at`.
    xcb_window_t startAt(Program& app, QPoint at) {
        EXPECT_TRUE(app.start());
        const auto w = app.waitForWindow();
        EXPECT_TRUE(w) << app.output().toStdString();
        if (!w) return 0;
        EXPECT_TRUE(waitUntil([&] { return geometry(w->id).value_or(QRect()).topLeft() == at; }))
            << "ruler at " << geometry(w->id).value_or(QRect()).x() << ","
            << geometry(w->id).value_or(QRect()).y();
        return w->id;
    }

    xcb_window_t openZoom(Program& app, QPoint ruler) {
        xdo::click(ruler.x() + kZoomButton.x(), ruler.y() + kZoomButton.y());
        const auto w =
            app.waitForWindow([](const Window& w) { return w.geometry.size() == kZoomSize; });
        EXPECT_TRUE(w) << "no zoom window; output:\n" << app.output().toStdString();
        return w ? w->id : 0;
    }
};

TEST_F(TwoScreens, MagnifierTurnsAtTheEdgesOfTheScreenUnderTheCursor) {
    Program app;
    startAt(app, {60, 60});
    const xcb_window_t zoom = openZoom(app, {60, 60});
    ASSERT_NE(zoom, 0u);
    const auto at = [&] { return geometry(zoom).value_or(QRect()).topLeft(); };
    struct Row {
        QPoint cursor, topLeft;
    };
    const Row kRows[] = {
        {{1400, 300}, {1420, 320}}, // room enough right of it on the second screen
        {{2019, 514}, {2039, 534}}, // bottom-right corner on that screen's corner
        {{2020, 515}, {1735, 261}}, // one pixel more: above and left
        {{1279, 1023}, {994, 769}}, // the primary's own corner
    };
    for (const Row& r : kRows) {
        xdo::mouseMove(r.cursor.x(), r.cursor.y());
        EXPECT_TRUE(waitUntil([&] { return at() == r.topLeft; }))
            << "cursor " << r.cursor.x() << "," << r.cursor.y() << ": window at " << at().x() << ","
            << at().y();
    }

    // Near the second screen's bottom the square reaches into the gap below
    // it: black there, the root's colour above.
    xdo::mouseMove(2200, 760);
    ASSERT_TRUE(waitUntil([&] { return at() == QPoint(1915, 506); }));
    EXPECT_TRUE(waitUntil([&] {
        const QImage img = grabScreen(QRect(at(), kZoomSize));
        return img.pixel(200, 100) == kRootColour.rgb() && img.pixel(200, 190) == qRgb(0, 0, 0);
    }));
}

TEST_F(TwoScreens, ReadOutAndGrabOnTheSecondScreen) {
    // The read-out counts from the ruler's edge alike on either screen.
    QImage onPrimary;
    {
        xdo::mouseMove(300, 700);
        Program app(storedAt({200, 300}));
        ASSERT_NE(startAt(app, {200, 300}), 0u);
        onPrimary = settled(kButtonRow.translated(200, 300));
    }
    const QPoint ruler(1400, 300);
    xdo::mouseMove(1500, 700);
    Program app(storedAt(ruler));
    ASSERT_NE(startAt(app, ruler), 0u);
    const auto readOut = [&] { return grabScreen(kButtonRow.translated(ruler)); };
    EXPECT_TRUE(waitUntil([&] { return readOut() == onPrimary; }))
        << "the read-out differs from the same distance on the primary screen";
    xdo::mouseMove(1501, 700);
    EXPECT_TRUE(waitUntil([&] { return readOut() != onPrimary; })) << "the read-out did not change";

    // A grab let go on the second screen takes that screen's pixel.
    const QColor colour(0x12, 0x9a, 0x55);
    setRootColour(colour);
    xdo::click(ruler.x() + kColorButton.x(), ruler.y() + kColorButton.y());
    ASSERT_TRUE(waitUntil([&] {
        return pixelAt(ruler.x() + kPanel.x() + 2, ruler.y() + kPanel.y() + 2).rgb() == kSampleBack;
    }));
    const QPoint grabber = ruler + kGrabberCentre;
    xdo::mouseMove(grabber.x(), grabber.y());
    xdo::mouseDown(1);
    xdo::mouseMove(1900, 500);
    xdo::mouseMove(2100, 600);
    xdo::mouseUp(1);
    const QRect slot(ruler + kPanel + QPoint(64 + 1, 1), QSize(39, 15));
    EXPECT_TRUE(waitUntil([&] { return mainColour(slot) == colour.rgb(); }))
        << QColor(mainColour(slot)).name().toStdString();
}

TEST_F(TwoScreens, RulerComesHomeWhenItsScreenGoesAndTheMagnifierFollows) {
    const QPoint ruler(1400, 200);
    Program app(storedAt(ruler));
    const xcb_window_t w = startAt(app, ruler);
    ASSERT_NE(w, 0u);
    const xcb_window_t zoom = openZoom(app, ruler);
    ASSERT_NE(zoom, 0u);
    xdo::mouseMove(1600, 400);
    ASSERT_TRUE(
        waitUntil([&] { return geometry(zoom).value_or(QRect()).topLeft() == QPoint(1620, 420); }));

    ASSERT_TRUE(xrandr({"--output", "DUMMY1", "--off"}));
    ASSERT_TRUE(waitUntil([] { return layoutIs({kPrimary}); }));
    EXPECT_TRUE(waitUntil([&] { return geometry(w) == QRect(60, 60, 600, 61); }))
        << "ruler at " << geometry(w).value_or(QRect()).x() << ","
        << geometry(w).value_or(QRect()).y();
    EXPECT_TRUE(waitUntil([&] { return kPrimary.contains(geometry(zoom).value_or(QRect())); }))
        << "zoom window at " << geometry(zoom).value_or(QRect()).x() << ","
        << geometry(zoom).value_or(QRect()).y();

    // Stored where it now stands.
    ASSERT_TRUE(app.terminate());
    EXPECT_EQ(app.readSettings().value("Left"), "900");
}

} // namespace
