#include "Harness.h"

#include <QFile>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

using namespace e2e;

namespace {

// Pixel geometry at 96 dpi, 15 twips per pixel.
constexpr QPoint kZoomButton(60 + 1 + 58 + 5, 60 + 1 + 2 + 5); // ruler at 60/60, frame 1
constexpr QSize kZoomSize(265, 234);
constexpr int kGap = 20;        // between cursor and window
constexpr int kFrameInside = 3; // of the five-pixel pen, inside the window
constexpr int kStripTop = 216;  // lblCoord

// The root tile of the pattern test: 16 x 16 pixels, black where the bit is set.
constexpr int kTile = 16;
bool tileBit(int x, int y) {
    x = ((x % kTile) + kTile) % kTile;
    y = ((y % kTile) + kTile) % kTile;
    return (x * 7 + y * 3 + x * y) % 5 == 0;
}
const QRgb kInk = qRgb(0x20, 0x20, 0x20);
const QRgb kPaper = qRgb(0xF0, 0xE0, 0xD0);

QRgb patternAt(int x, int y) {
    return tileBit(x, y) ? kInk : kPaper;
}

// Tiles the root window with the pattern (xsetroot -bitmap takes an XBM file).
void setRootPattern(const QString& dir) {
    // The bits must start on the line after the brace.
    QByteArray xbm = "#define t_width 16\n#define t_height 16\nstatic unsigned char t_bits[] = {\n";
    for (int y = 0; y < kTile; ++y)
        for (int half = 0; half < 2; ++half) {
            int byte = 0;
            for (int b = 0; b < 8; ++b)
                if (tileBit(half * 8 + b, y)) byte |= 1 << b;
            xbm += "0x" + QByteArray::number(byte, 16) + ",";
        }
    xbm += "};\n";
    const QString path = dir + QStringLiteral("/tile.xbm");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(xbm) == xbm.size());
    f.close();
    ASSERT_EQ(
        QProcess::execute(QStringLiteral("xsetroot"), {"-bitmap", path, "-fg", QColor(kInk).name(),
                                                       "-bg", QColor(kPaper).name()}),
        0);
}

class ZoomWindow : public E2ETest {
protected:
    void SetUp() override {
        E2ETest::SetUp();
        if (IsSkipped()) return;
        if (QGuiApplication::primaryScreen()->logicalDotsPerInch() != 96)
            GTEST_SKIP() << "the expected pixels assume 96 dpi";
        ASSERT_TRUE(app.start());
        ASSERT_TRUE(app.waitForWindow()) << app.output().toStdString();
    }

    // Clicks the zoom button and waits for the zoom window.
    void openZoom() {
        xdo::click(kZoomButton.x(), kZoomButton.y());
        const auto w =
            app.waitForWindow([](const Window& w) { return w.geometry.size() == kZoomSize; });
        ASSERT_TRUE(w) << "no zoom window; output:\n" << app.output().toStdString();
        zoom = w->id;
        zoomManaged = w->managed;
    }

    QRect zoomGeometry() const { return geometry(zoom).value_or(QRect()); }

    // Source pixels (i, j) of the square at level n that differ from the
    // root pattern at the centre of their block in the window. Blocks under
    // the frame, under the strip and over the window's own corner (the
    // square reaches 4 pixels into it at level 1) are left out.
    int patternErrors(QPoint cursor, int side) {
        const QRect r = zoomGeometry();
        const QImage img = grabScreen(r);
        if (img.size() != kZoomSize) return -1;
        int errors = 0;
        for (int j = 0; j < side; ++j)
            for (int i = 0; i < side; ++i) {
                const int tx = (2 * i + 1) * kZoomSize.width() / (2 * side);
                const int ty = (2 * j + 1) * kZoomSize.height() / (2 * side);
                if (tx < kFrameInside + 1 || tx >= kZoomSize.width() - kFrameInside - 1 ||
                    ty < kFrameInside + 1 || ty >= kStripTop - 1)
                    continue;
                const QPoint src(cursor.x() - 24 + i, cursor.y() - 24 + j);
                if (src.x() >= cursor.x() + kGap - 1 && src.y() >= cursor.y() + kGap - 1) continue;
                if (img.pixel(tx, ty) != patternAt(src.x(), src.y())) ++errors;
            }
        return errors;
    }

    bool showsPattern(QPoint cursor, int side) {
        return waitUntil([&] { return patternErrors(cursor, side) == 0; }, 3s);
    }

    // The strip under the picture, pixel for pixel as Qt draws its text.
    bool showsCaption(const QString& text) {
        QImage expected(kZoomSize.width(), kZoomSize.height() - kStripTop, QImage::Format_RGB32);
        expected.fill(QColor(255, 255, 192));
        QPainter p(&expected);
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPointSizeF(8.25);
        font.setWeight(QFont::Bold);
        font.setStyleStrategy(QFont::PreferNoShaping); // as the program lays out its texts
        p.setFont(font);
        p.drawText(QPointF(0, QFontMetricsF(font, &expected).ascent()), text);
        p.end();
        return waitUntil([&] {
            const QRect r = zoomGeometry();
            return grabScreen(QRect(r.x(), r.y() + kStripTop, expected.width(),
                                    expected.height())) == expected;
        });
    }

    Program app;
    xcb_window_t zoom = 0;
    bool zoomManaged = false;
};

TEST_F(ZoomWindow, FollowsTheCursorBesideItOrOnTheOtherSideAtTheEdges) {
    openZoom();
    struct Row {
        QPoint cursor;
        QPoint topLeft;
    };
    const Row kRows[] = {
        {{300, 300}, {320, 320}},
        {{900, 300}, {615, 320}},  // no room on the right
        {{739, 500}, {759, 520}},  // right edge on the screen's edge
        {{1000, 700}, {715, 446}}, // bottom-right: above and left
    };
    for (const Row& r : kRows) {
        xdo::mouseMove(r.cursor.x(), r.cursor.y());
        EXPECT_TRUE(waitUntil([&] { return zoomGeometry() == QRect(r.topLeft, kZoomSize); }))
            << "cursor " << r.cursor.x() << "," << r.cursor.y() << ": window at "
            << zoomGeometry().x() << "," << zoomGeometry().y();
    }
    // Left to itself by the window manager: no taskbar lists it, and it
    // stands above every window, the topmost ruler included.
    EXPECT_FALSE(zoomManaged);
    EXPECT_EQ(highestTopLevel(), zoom);
}

TEST_F(ZoomWindow, EnlargesTheScreenAndZoomsWithTheWheelWhileActive) {
    QTemporaryDir dir;
    setRootPattern(dir.path());
    openZoom();
    const QPoint cursor(500, 400);
    xdo::mouseMove(cursor.x(), cursor.y());
    ASSERT_TRUE(waitUntil([&] { return zoomGeometry().topLeft() == cursor + QPoint(kGap, kGap); }));
    EXPECT_TRUE(showsPattern(cursor, 48)) << patternErrors(cursor, 48) << " blocks differ";
    EXPECT_TRUE(showsCaption(QStringLiteral("  X = 500  Y = 400  Zoom = x48")));

    // The pointer is beside the window, not over it.
    xdo::run({"click", "5"});
    EXPECT_TRUE(showsPattern(cursor, 24)) << patternErrors(cursor, 24) << " blocks differ at x96";
    EXPECT_TRUE(showsCaption(QStringLiteral("  X = 500  Y = 400  Zoom = x96")));

    // Another window active: the wheel is not ours.
    xdo::click(400, 60 + 1 + 26 + 10); // the ruler's scale
    xdo::mouseMove(cursor.x(), cursor.y());
    xdo::run({"click", "5"});
    waitUntil([] { return false; }, 300ms); // time enough for a tick to show a wrong level
    EXPECT_TRUE(showsPattern(cursor, 24)) << patternErrors(cursor, 24) << " blocks differ";

    // The zoom button gives it back, at the level it had.
    xdo::click(kZoomButton.x(), kZoomButton.y());
    xdo::mouseMove(cursor.x(), cursor.y());
    EXPECT_TRUE(showsPattern(cursor, 24)) << patternErrors(cursor, 24) << " blocks differ";
    xdo::run({"click", "5"});
    EXPECT_TRUE(showsPattern(cursor, 16)) << patternErrors(cursor, 16) << " blocks differ at x144";
    xdo::run({"click", "4"});
    xdo::run({"click", "4"});
    EXPECT_TRUE(showsPattern(cursor, 48)) << patternErrors(cursor, 48) << " blocks differ at x48";

    // A jump into the square that the window covered: its old place must not
    // stay in the picture once the window manager has moved it.
    const QPoint jump(600, 500);
    xdo::mouseMove(jump.x(), jump.y());
    EXPECT_TRUE(showsPattern(jump, 48)) << patternErrors(jump, 48) << " blocks differ";

    // The pointer rests and the screen under it changes: the picture follows.
    ASSERT_EQ(QProcess::execute(QStringLiteral("xsetroot"), {"-solid", "#3070b0"}), 0);
    EXPECT_TRUE(waitUntil(
        [&] { return grabScreen(zoomGeometry()).pixel(100, 100) == qRgb(0x30, 0x70, 0xb0); }, 3s));
}

TEST_F(ZoomWindow, ClosesAtTheCornerPixelAndTheCloseButtonEndsAll) {
    openZoom();
    xdo::mouseMove(0, 5);
    xdo::mouseMove(5, 0);
    EXPECT_TRUE(waitUntil([&] { return zoomGeometry().topLeft() == QPoint(25, 20); }));
    xdo::mouseMove(0, 0);
    EXPECT_TRUE(waitUntil([&] { return !geometry(zoom) || app.windows().size() == 1; }))
        << app.windows().size() << " windows";
    EXPECT_TRUE(app.running());

    xdo::waitOutDoubleClickTime();
    openZoom();
    xdo::mouseMove(300, 300);
    xdo::click(60 + 1 + 7, 60 + 1 + 7); // the close button, with the zoom window open
    EXPECT_TRUE(app.waitForExit(5s)) << "still running after the close button";
    EXPECT_TRUE(app.exitedCleanly()) << app.output().toStdString();
}

} // namespace
