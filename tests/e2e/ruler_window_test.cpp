#include "Harness.h"

#include <QGuiApplication>
#include <QScreen>

#include <cstdlib>

using namespace e2e;

namespace {

// Pixel geometry at 96 dpi, 15 twips per pixel.
const QRect kFirstStart(60, 60, 600, 61); // 900/900 twips, 9000 x 915 twips
constexpr int kFrame = 1;                 // one pixel on every side
constexpr int kStripOffset = 26;          // 390 twips below the client's top
constexpr int kStripThickness = 33;       // 495 twips
constexpr int kLongTickFrom = 16;         // 495 * 0.5 = 16.5 px, halves to even
constexpr int kShortTickFrom = 25;        // 495 * 0.75 = 24.75 px
constexpr int kButtonRowEnd = 13;         // buttons: 30 + 165 twips = client pixels 2..12
// Centre of the close button: client pixels 2..12 in both directions.
constexpr QPoint kCloseButton(60 + kFrame + 7, 60 + kFrame + 7);

const QRgb kYellow = qRgb(255, 255, 192);
const QRgb kBlack = qRgb(0, 0, 0);

bool vertical(const QRect& r) {
    return r.height() > r.width();
}

// The strip's pixel at `along` (from its start edge) and `across` (from the
// button side), read from a grab of the whole window.
QRgb stripPixel(const QImage& window, bool isVertical, int along, int across) {
    const int a = kFrame + along, c = kFrame + kStripOffset + across;
    return isVertical ? window.pixel(c, a) : window.pixel(a, c);
}

// Where the tick band of the strip differs from the expected scale: a tick at
// every even pixel, long on every tenth, nothing at odd pixels. Covers the
// visible length, i.e. the client area; the strip's last two pixels lie under
// the frame. Unrotated labels of a vertical strip reach into the long ticks'
// rows, so there the band starts just before the short ticks.
QStringList tickErrors(const QImage& window) {
    const bool isVertical = vertical(window.rect());
    const int length = (isVertical ? window.height() : window.width()) - 2 * kFrame;
    const int bandFrom = isVertical ? kShortTickFrom - 1 : kLongTickFrom;
    QStringList errors;
    for (int along = 0; along < length; ++along)
        for (int across = bandFrom; across < kStripThickness; ++across) {
            const bool tick =
                along % 2 == 0 && across >= (along % 10 == 0 ? kLongTickFrom : kShortTickFrom);
            const QRgb got = stripPixel(window, isVertical, along, across);
            if (got != (tick ? kBlack : kYellow) && errors.size() < 10)
                errors << QStringLiteral("pixel %1 row %2: %3")
                              .arg(along)
                              .arg(across)
                              .arg(QColor(got).name());
        }
    return errors;
}

// Runs of ink (non-yellow) in the label band of a horizontal strip around
// pixel n: first and last column.
std::pair<int, int> labelInk(const QImage& window, int n) {
    int first = -1, last = -1;
    for (int along = n - 9; along <= n + 9; ++along)
        for (int across = 0; across < kLongTickFrom; ++across)
            if (stripPixel(window, false, along, across) != kYellow) {
                if (first < 0) first = along;
                last = along;
            }
    return {first, last};
}

class RulerWindow : public E2ETest {
protected:
    void SetUp() override {
        E2ETest::SetUp();
        if (IsSkipped()) return;
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (screen->logicalDotsPerInch() != 96)
            GTEST_SKIP() << "the expected pixels assume 96 dpi, the display has "
                         << screen->logicalDotsPerInch();
    }

    // Starts the program and waits for its ruler window.
    void start(Program& app) {
        ASSERT_TRUE(app.start());
        const auto w = app.waitForWindow();
        ASSERT_TRUE(w) << "no window; program output:\n" << app.output().toStdString();
        ruler = w->id;
    }

    QRect rulerGeometry() const { return geometry(ruler).value_or(QRect()); }

    bool waitForGeometry(const QRect& expected) {
        return waitUntil([&] { return rulerGeometry() == expected; });
    }

    // A grab of the whole ruler once it is painted: its body, between the
    // buttons and the strip halfway along, shows yellow.
    QImage paintedRuler() {
        QImage img;
        waitUntil([&] {
            img = grabScreen(rulerGeometry());
            if (img.isNull()) return false;
            const int body = kFrame + kButtonRowEnd;
            const QPoint probe = vertical(img.rect()) ? QPoint(body, img.height() / 2)
                                                      : QPoint(img.width() / 2, body);
            return img.pixel(probe) == kYellow;
        });
        return img;
    }

    xcb_window_t ruler = 0;
};

TEST_F(RulerWindow, FirstStartShowsTopmostHorizontalRulerOutOfTheTaskbar) {
    Program app;
    start(app);
    EXPECT_TRUE(waitForGeometry(kFirstStart))
        << "got " << rulerGeometry().x() << "," << rulerGeometry().y() << " "
        << rulerGeometry().width() << "x" << rulerGeometry().height();
    // Both states are asked of the window manager once the window is mapped.
    QStringList state;
    EXPECT_TRUE(waitUntil([&] {
        state = netWmState(ruler);
        return state.contains("_NET_WM_STATE_ABOVE") &&
               state.contains("_NET_WM_STATE_SKIP_TASKBAR");
    })) << state.join(' ').toStdString();
    ASSERT_EQ(app.windows().size(), 1u);
    EXPECT_TRUE(app.windows().front().managed);
}

TEST_F(RulerWindow, FirstStartPaintsYellowBodyInsideOnePixelBlackFrame) {
    Program app;
    start(app);
    ASSERT_TRUE(waitForGeometry(kFirstStart));
    // One pixel of desktop around the window: the frame is the window's edge.
    const QImage img = paintedRuler();
    const QImage around = grabScreen(kFirstStart.adjusted(-1, -1, 1, 1));
    const QRgb desktop = kRootColour.rgb();
    for (int x = 0; x < around.width(); ++x) {
        ASSERT_EQ(around.pixel(x, 0), desktop) << "above, x " << x;
        ASSERT_EQ(around.pixel(x, around.height() - 1), desktop) << "below, x " << x;
    }
    for (int y = 0; y < around.height(); ++y) {
        ASSERT_EQ(around.pixel(0, y), desktop) << "left, y " << y;
        ASSERT_EQ(around.pixel(around.width() - 1, y), desktop) << "right, y " << y;
    }
    for (int x = 0; x < img.width(); ++x) {
        ASSERT_EQ(img.pixel(x, 0), kBlack) << "top frame, x " << x;
        ASSERT_EQ(img.pixel(x, img.height() - 1), kBlack) << "bottom frame, x " << x;
    }
    for (int y = 0; y < img.height(); ++y) {
        ASSERT_EQ(img.pixel(0, y), kBlack) << "left frame, y " << y;
        ASSERT_EQ(img.pixel(img.width() - 1, y), kBlack) << "right frame, y " << y;
    }
    // Between the button row and the strip the window shows its own colour.
    for (int y = kFrame + kButtonRowEnd; y < kFrame + kStripOffset; ++y)
        for (int x = kFrame; x < img.width() - kFrame; ++x)
            ASSERT_EQ(img.pixel(x, y), kYellow) << "body at " << x << "," << y;
}

TEST_F(RulerWindow, ScaleHasTicksOnEvenPixelsAndLabelsCentredOnEveryTwentieth) {
    Program app;
    start(app);
    ASSERT_TRUE(waitForGeometry(kFirstStart));
    const QImage img = paintedRuler();
    EXPECT_EQ(tickErrors(img).join("; ").toStdString(), "");

    // "0" is centred on the start edge and half cut off; the last label that
    // fits whole is 580.
    for (int n = 20; n <= 580; n += 20) {
        const auto [first, last] = labelInk(img, n);
        ASSERT_GE(first, 0) << "no label at " << n;
        EXPECT_LE(std::abs(first + last - 2 * n), 2)
            << "label " << n << " spans " << first << ".." << last;
    }
    // Nothing is printed midway between two labels.
    for (int n = 10; n < 590; n += 20)
        for (int across = 0; across < kLongTickFrom; ++across)
            ASSERT_EQ(stripPixel(img, false, n, across), kYellow) << "at " << n << "," << across;
}

TEST_F(RulerWindow, DoubleClickOnStripTurnsRulerAboutItsCornerAndBack) {
    Program app;
    start(app);
    ASSERT_TRUE(waitForGeometry(kFirstStart));

    // The strip runs along the lower part of the horizontal window...
    xdo::doubleClick(kFirstStart.x() + 300, kFirstStart.y() + kFrame + kStripOffset + 10);
    const QRect turned(kFirstStart.topLeft(), kFirstStart.size().transposed());
    ASSERT_TRUE(waitForGeometry(turned))
        << "got " << rulerGeometry().width() << "x" << rulerGeometry().height();
    xdo::mouseMove(kParkedPointer.x(), kParkedPointer.y());
    QImage img;
    ASSERT_TRUE(waitUntil([&] {
        img = grabScreen(turned);
        return tickErrors(img).isEmpty();
    })) << tickErrors(img).join("; ").toStdString();

    // ...and along the right-hand part of the vertical one.
    xdo::doubleClick(kFirstStart.x() + kFrame + kStripOffset + 10, kFirstStart.y() + 300);
    ASSERT_TRUE(waitForGeometry(kFirstStart))
        << "got " << rulerGeometry().width() << "x" << rulerGeometry().height();
    EXPECT_TRUE(waitUntil([&] { return tickErrors(grabScreen(kFirstStart)).isEmpty(); }));
    EXPECT_TRUE(app.running());
}

TEST_F(RulerWindow, CloseButtonEndsProgramAndStoresItsState) {
    Program app;
    start(app);
    ASSERT_TRUE(waitForGeometry(kFirstStart));
    // The first start stored the defaults; turn the ruler so the stored
    // state must change at the end.
    EXPECT_EQ(app.readSettings().value("Orientation"), "0");
    xdo::doubleClick(kFirstStart.x() + 300, kFirstStart.y() + kFrame + kStripOffset + 10);
    ASSERT_TRUE(waitForGeometry(QRect(kFirstStart.topLeft(), kFirstStart.size().transposed())));

    xdo::click(kCloseButton.x(), kCloseButton.y());
    ASSERT_TRUE(app.waitForExit(5s)) << "still running after the close button";
    EXPECT_TRUE(app.exitedCleanly()) << "exit code " << app.exitCode() << "\n"
                                     << app.output().toStdString();
    const auto stored = app.readSettings();
    EXPECT_EQ(stored.value("Installed"), "1");
    EXPECT_EQ(stored.value("Orientation"), "1");
    EXPECT_EQ(stored.value("AlwaysOnTop"), "-1");
    EXPECT_EQ(stored.value("Left"), "900");
    EXPECT_EQ(stored.value("Top"), "900");
    EXPECT_EQ(stored.value("Size"), "9000");
}

TEST_F(RulerWindow, StoredStateIsRestoredAndKeptWhenTheSessionEnds) {
    Program app(QStringLiteral("[General]\nInstalled=1\nAlwaysOnTop=0\nOrientation=1\n"
                               "Size=6000\nLeft=3000\nTop=1500\n"));
    start(app);
    const QRect stored(200, 100, 61, 400);
    ASSERT_TRUE(waitForGeometry(stored))
        << "got " << rulerGeometry().x() << "," << rulerGeometry().y() << " "
        << rulerGeometry().width() << "x" << rulerGeometry().height();
    EXPECT_FALSE(netWmState(ruler).contains("_NET_WM_STATE_ABOVE"));
    EXPECT_TRUE(tickErrors(paintedRuler()).isEmpty());

    ASSERT_TRUE(app.terminate());
    EXPECT_TRUE(app.exitedCleanly()) << app.output().toStdString();
    const auto kept = app.readSettings();
    EXPECT_EQ(kept.value("Orientation"), "1");
    EXPECT_EQ(kept.value("AlwaysOnTop"), "0");
    EXPECT_EQ(kept.value("Left"), "3000");
    EXPECT_EQ(kept.value("Top"), "1500");
    EXPECT_EQ(kept.value("Size"), "6000");
}

} // namespace
