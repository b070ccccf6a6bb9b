#include "support/RulerFixture.h"

#include "ruler/Scale.h"

#include <climits>
#include <cmath>
#include <optional>
#include <set>
#include <vector>

namespace {

constexpr QRgb kInk = qRgb(0, 0, 0);
constexpr QRgb kYellow = qRgb(255, 255, 192);

// Ink (any non-yellow pixel) bounding box within a region of the strip image.
std::optional<QRect> inkBox(const QImage& img, const QRect& region) {
    std::optional<QRect> box;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x)
            if (img.rect().contains(x, y) && img.pixel(x, y) != kYellow)
                box = box ? box->united(QRect(x, y, 1, 1)) : QRect(x, y, 1, 1);
    return box;
}

struct TickCase {
    double dpi;
    int longTop;  // first row of a long tick
    int shortTop; // first row of a short tick
    int bottom;   // last row of both
};

class ScaleTicks : public RulerFixture, public ::testing::WithParamInterface<TickCase> {};

TEST_P(ScaleTicks, LongAndShortTicksStandOnEvenPixels) {
    const TickCase c = GetParam();
    desk.dpiX = desk.dpiY = c.dpi;
    start();
    const QImage& img = frm->picRuler.image();
    ASSERT_EQ(img.height(), c.bottom + 1);
    const int midLong = (c.longTop + c.shortTop) / 2; // inside long ticks only
    for (int x = 0; x < img.width(); ++x) {
        SCOPED_TRACE(x);
        const bool tick = (x % 2 == 0);
        const bool longTick = (x % 10 == 0);
        EXPECT_EQ(img.pixel(x, c.bottom) == kInk, tick);
        EXPECT_EQ(img.pixel(x, c.shortTop) == kInk, tick);
        EXPECT_NE(img.pixel(x, c.shortTop - 1), longTick ? kYellow : kInk);
        EXPECT_EQ(img.pixel(x, midLong) == kInk, longTick);
        EXPECT_EQ(img.pixel(x, c.longTop) == kInk, longTick);
        if (x % 20 == 10) { // clear of the labels
            EXPECT_NE(img.pixel(x, c.longTop - 1), kInk) << "tick too long";
        }
    }
}

// 495 twips of strip: 33 pixels at 15 twips per pixel, 41 at 12, where the
// strip then measures 492 twips across.
INSTANTIATE_TEST_SUITE_P(Dpi, ScaleTicks,
                         ::testing::Values(TickCase{96, 16, 25, 32}, TickCase{120, 20, 31, 40}));

TEST_F(RulerFixture, LabelsAreCentredOnTheirTick) {
    start();
    const QImage& img = frm->picRuler.image();
    for (int n : {20, 100, 300, 500}) {
        SCOPED_TRACE(n);
        const auto box = inkBox(img, QRect(n - 12, 0, 25, 15));
        ASSERT_TRUE(box);
        const double centre = (box->left() + box->right()) / 2.0;
        EXPECT_NEAR(centre, n, 2.0); // glyph bearings shift the ink a little
    }
    // The "0" label is cut in half by the strip's start edge.
    const auto zero = inkBox(img, QRect(0, 0, 6, 15));
    ASSERT_TRUE(zero);
    EXPECT_EQ(zero->left(), 0);
}

TEST_F(RulerFixture, VerticalLabelsReadLeftToRight) {
    start();
    frm->SwitchOrientation();
    const QImage& img = frm->picRuler.image();
    ASSERT_EQ(img.size(), QSize(33, 600));
    // Ticks now stand on the right edge, rows for pixels.
    EXPECT_EQ(img.pixel(32, 40), kInk);
    EXPECT_EQ(img.pixel(16, 40), kInk);
    EXPECT_NE(img.pixel(16, 42), kInk);
    EXPECT_NE(img.pixel(32, 41), kInk);
    // Label "100" centred on row 100, wider than tall: not rotated.
    const auto box = inkBox(img, QRect(0, 90, 16, 21));
    ASSERT_TRUE(box);
    EXPECT_GT(box->width(), box->height());
    EXPECT_NEAR((box->top() + box->bottom()) / 2.0, 100, 2.0);

    // A label as long as "1000" keeps clear of its long tick.
    forms::PictureBox strip(*frm, frm.get());
    strip.setBackColor(0x00C0FFFF);
    strip.Move(0, 0, 495, 1100 * tppX());
    ruler::DrawScale(strip, 1, frm->screen());
    const auto thousand = inkBox(strip.image(), QRect(0, 990, 16, 21));
    ASSERT_TRUE(thousand);
    EXPECT_LT(thousand->right(), 15);
    EXPECT_GT(thousand->width(), 12); // all four digits
}

TEST_F(RulerFixture, FractionalTwipsPerPixelRoundEachStep) {
    // 168 dpi: 8.5714 twips per pixel, every step adds 17 twips, so the tick
    // of pixel 200 drifts to column 198 while its label stays centred on 200.
    desk.dpiX = desk.dpiY = 168;
    start();
    const QImage& img = frm->picRuler.image();
    ASSERT_EQ(img.height(), 58);
    EXPECT_EQ(img.pixel(198, 35), kInk); // long tick of pixel 200
    EXPECT_NE(img.pixel(200, 35), kInk); // the short tick of 202 lands here
    EXPECT_EQ(img.pixel(200, 50), kInk);
    const auto label = inkBox(img, QRect(185, 0, 31, 25));
    ASSERT_TRUE(label);
    EXPECT_NEAR((label->left() + label->right()) / 2.0, 200, 1.5);
}

struct LabelCase {
    double dpi;
    int digitGap;   // clear columns between two digits of one label
    int widest;     // width of the longest label, five digits
    int labelledTo; // every multiple of 20 up to here has its label
};

class ScaleLabels : public RulerFixture, public ::testing::WithParamInterface<LabelCase> {};

// Labels of a strip over 10000 pixels long, found as runs of ink above the
// long ticks; a run ends at more clear columns than a label has between its
// digits. Labels that touched would show as one run off their pixel or too
// wide for one label.
TEST_P(ScaleLabels, NeverTouchAndKeepEveryOneThatFits) {
    const LabelCase c = GetParam();
    desk.dpiX = desk.dpiY = c.dpi;
    start();
    forms::PictureBox strip(*frm, frm.get());
    strip.setBackColor(0x00C0FFFF);
    strip.setForeColor(0);
    strip.Move(0, 0, 10100 * tppX(), 495);
    ruler::DrawScale(strip, 0, frm->screen());
    const QImage& img = strip.image();
    ASSERT_EQ(img.width(), 10100);

    const int band = img.height() / 2 - 1; // rows above the long ticks
    std::vector<std::pair<int, int>> runs; // first and last column
    int clear = INT_MAX;
    for (int x = 0; x < img.width(); ++x) {
        bool ink = false;
        for (int y = 0; y < band && !ink; ++y)
            ink = img.pixel(x, y) != kYellow;
        if (!ink) {
            ++clear;
            continue;
        }
        if (clear > c.digitGap) runs.emplace_back(x, x);
        runs.back().second = x;
        clear = 0;
    }
    std::set<int> labelled;
    for (const auto& [first, last] : runs) {
        SCOPED_TRACE(first);
        if (last == img.width() - 1) continue; // cut off by the strip's end
        EXPECT_LE(last - first + 1, c.widest);
        const double centre = (first + last) / 2.0;
        const int n = int(std::lround(centre / 20)) * 20;
        EXPECT_NEAR(centre, n, 1.0);
        labelled.insert(n);
    }
    for (int n = 20; n <= c.labelledTo; n += 20)
        EXPECT_TRUE(labelled.count(n)) << n;
    EXPECT_TRUE(labelled.count(10000)); // the longest labels still show
}

INSTANTIATE_TEST_SUITE_P(Dpi, ScaleLabels,
                         ::testing::Values(LabelCase{96, 1, 19, 9980}, LabelCase{120, 1, 19, 9980},
                                           LabelCase{144, 2, 38, 80}, LabelCase{168, 2, 38, 80},
                                           LabelCase{192, 2, 38, 80}));

TEST_F(RulerFixture, EmptyStripIsOnlyCleared) {
    start();
    forms::PictureBox strip(*frm, frm.get());
    strip.Move(0, 0, 0, 495);
    ruler::DrawScale(strip, 0, frm->screen());
    EXPECT_TRUE(strip.image().isNull() || strip.image().width() == 0);

    // A strip ending exactly on a tick position leaves that tick out.
    strip.Move(0, 0, 150, 495); // ticks at 0..8 pixels; 10 would be at 150
    ruler::DrawScale(strip, 0, frm->screen());
    ASSERT_EQ(strip.image().width(), 10);
    EXPECT_EQ(strip.image().pixel(8, 32), kInk);
}

} // namespace
