#include "Harness.h"

#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <cmath>
#include <set>

using namespace e2e;

namespace {

const QRgb kYellow = qRgb(255, 255, 192);
constexpr int kFrame = 1;

// Where things stand at one DPI, in pixels of the window (frame included).
struct Layout {
    int dpi;
    QRect readOut; // the read-out label: 870/30 twips, 495 x 165
    int stripTop;  // 390 twips below the client's top
    int labelRows; // rows of the strip above its long ticks
    int digitGap;  // clear columns between two digits of one label
    int widest;    // the widest label, five digits
};
constexpr Layout k96{96, QRect(76, 3, 33, 11), kFrame + 26, 15, 1, 19};
constexpr Layout k168{168, QRect(132, 5, 58, 19), kFrame + 46, 28, 2, 38};

// The caption as the program draws it: its label face at that DPI, black on
// the window's yellow, clipped to the label.
QImage expectedCaption(const QString& text, const Layout& at) {
    QImage img(at.readOut.size(), QImage::Format_RGB32);
    const int dotsPerMeter = qRound(at.dpi / 0.0254);
    img.setDotsPerMeterX(dotsPerMeter);
    img.setDotsPerMeterY(dotsPerMeter);
    img.fill(kYellow);
    QPainter p(&img);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(6.75);
    f.setStyleHint(QFont::SansSerif);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(img.rect(), Qt::AlignLeft | Qt::AlignTop, text);
    return img;
}

// Runs of ink along the strip's label rows, a run ending at more clear
// columns than a label has between its digits: first and last strip pixel.
std::vector<std::pair<int, int>> labelRuns(const QImage& window, const Layout& at) {
    std::vector<std::pair<int, int>> runs;
    int clear = 1 << 20;
    for (int x = kFrame; x < window.width() - kFrame; ++x) {
        bool ink = false;
        for (int y = at.stripTop; y < at.stripTop + at.labelRows && !ink; ++y)
            ink = window.pixel(x, y) != kYellow;
        if (!ink) {
            ++clear;
            continue;
        }
        if (clear > at.digitGap) runs.emplace_back(x - kFrame, x - kFrame);
        runs.back().second = x - kFrame;
        clear = 0;
    }
    return runs;
}

// Every run is one label centred on a multiple of 20; labels that touched
// would show as one run off their pixel or too wide for one label. Returns
// the labelled pixels.
std::set<int> checkLabelsApart(const QImage& window, const Layout& at) {
    std::set<int> labelled;
    const int visibleEnd = window.width() - kFrame; // or the screen's edge
    for (const auto& [first, last] : labelRuns(window, at)) {
        if (first + at.widest > visibleEnd) continue; // may be cut off by the end
        const double centre = (first + last) / 2.0;
        const int n = int(std::lround(centre / 20)) * 20;
        EXPECT_LE(last - first + 1, at.widest) << "labels touch at " << first;
        EXPECT_NEAR(centre, n, 1.0) << "labels touch at " << first;
        labelled.insert(n);
    }
    return labelled;
}

class Dpi : public E2ETest {
protected:
    // Starts the program and waits until its window stands at `expected`.
    void start(Program& app, const QRect& expected) {
        ASSERT_TRUE(app.start());
        const auto w = app.waitForWindow();
        ASSERT_TRUE(w) << "no window; program output:\n" << app.output().toStdString();
        ruler = w->id;
        EXPECT_TRUE(waitUntil([&] { return geometry(ruler) == expected; }))
            << "window at " << geometry(ruler).value_or(QRect()).x();
    }

    // The window's pixels on the screen once its read-out shows `caption`.
    QImage windowShowing(const QString& caption, const Layout& at) {
        const QRect r = geometry(ruler).value_or(QRect());
        const QRect onScreen = r.intersected(QGuiApplication::primaryScreen()->geometry());
        const QImage expected = expectedCaption(caption, at);
        QImage img;
        const bool shown = waitUntil([&] {
            img = grabScreen(onScreen);
            return img.copy(at.readOut) == expected;
        });
        EXPECT_TRUE(shown) << "the read-out does not show " << caption.toStdString();
        return img;
    }

    xcb_window_t ruler = 0;
};

// 8.5714... twips per pixel: 900/900 twips are pixel 105, 9000 x 915 twips
// are 1050 x 107 pixels.
TEST_F(Dpi, FirstStartAt168DpiCountsWholePixelsAndKeepsLabelsApart) {
    const XftDpi dpi(168);
    Program app;
    start(app, QRect(105, 105, 1050, 107));
    xdo::mouseMove(105 + 195, 400);
    const QImage window = windowShowing(QStringLiteral("195"), k168);

    const std::set<int> labelled = checkLabelsApart(window, k168);
    for (int n : {20, 40, 60, 80, 200, 400, 800})
        EXPECT_TRUE(labelled.count(n)) << n;

    ASSERT_TRUE(app.terminate());
    EXPECT_EQ(app.readSettings().value("Left"), "900");
    EXPECT_EQ(app.readSettings().value("Top"), "900");
}

// 97/907 twips are 6.47/60.47 pixels: the window stands on pixel 6/60, counts
// from there and stores that pixel back. 15240 twips make it 1016 pixels long,
// with labels past 1000.
TEST_F(Dpi, StoredPlaceOffThePixelGridCountsFromThePixelTaken) {
    Program app(QStringLiteral("[General]\nInstalled=1\nAlwaysOnTop=1\nOrientation=0\n"
                               "Left=97\nTop=907\nSize=15240\n"));
    start(app, QRect(6, 60, 1016, 61));
    xdo::mouseMove(6 + 195, 400);
    const QImage window = windowShowing(QStringLiteral("195"), k96);

    const std::set<int> labelled = checkLabelsApart(window, k96);
    for (int n = 20; n <= 1000; n += 20)
        EXPECT_TRUE(labelled.count(n)) << n;

    ASSERT_TRUE(app.terminate());
    EXPECT_EQ(app.readSettings().value("Left"), "90");
    EXPECT_EQ(app.readSettings().value("Top"), "900");
}

} // namespace
