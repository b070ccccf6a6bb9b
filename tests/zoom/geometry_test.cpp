#include "zoom/ZoomGeometry.h"

#include <QRect>
#include <gtest/gtest.h>

#include <limits>

namespace {

using zoom::kMaxZoomLevel;

struct PlacementRow {
    const char* name;
    double dpi;
    QRect screenPx; // the screen that holds the cursor
    QPoint cursor;
    bool right, bottom;
    float left, top; // twips
};

const QRect kPrimary(0, 0, 1024, 768);
// A wider and taller screen right of the primary, and a smaller one below it.
const QRect kRightOf(1024, 0, 1280, 1024);
const QRect kBelow(0, 768, 800, 600);

// At 96 dpi (15 twips per pixel) the window is 265 x 234 pixels and lies
// 20 pixels from the cursor.
const PlacementRow kPlacements[] = {
    {"below right", 96, kPrimary, {100, 100}, false, false, 1800, 1800},
    {"corner", 96, kPrimary, {0, 0}, false, false, 300, 300},
    {"no room right: left pixel 615", 96, kPrimary, {900, 100}, true, false, 9225, 1800},
    {"right edge touches the screen's", 96, kPrimary, {739, 100}, false, false, 11385, 1800},
    {"one pixel more flips", 96, kPrimary, {740, 100}, true, false, 6825, 1800},
    {"bottom edge touches the screen's", 96, kPrimary, {100, 514}, false, false, 1800, 8010},
    {"no room below", 96, kPrimary, {100, 515}, false, true, 1800, 3915},
    {"bottom-right corner flips both", 96, kPrimary, {1023, 767}, true, true, 11070, 7695},
    // 12 twips per pixel: the window is 331 pixels wide, the gap 25.
    {"120 dpi stays right", 120, {0, 0, 1280, 1024}, {924, 0}, false, false, 11388, 300},
    {"120 dpi flips", 120, {0, 0, 1280, 1024}, {925, 0}, true, false, 6825, 300},
    // 7.5 twips per pixel: the position is rounded to a whole twip, halves
    // to the even neighbour (307.5 -> 308, 322.5 -> 322).
    {"halves to even", 192, {0, 0, 2048, 1536}, {3, 1}, false, false, 322, 308},
    // The room is measured within the screen that holds the cursor.
    {"right screen, top-left corner", 96, kRightOf, {1024, 0}, false, false, 15660, 300},
    {"right screen, right edge touches", 96, kRightOf, {2019, 100}, false, false, 30585, 1800},
    {"right screen, one pixel more flips", 96, kRightOf, {2020, 100}, true, false, 26025, 1800},
    {"right screen, top-right corner", 96, kRightOf, {2303, 0}, true, false, 30270, 300},
    {"right screen, bottom edge touches", 96, kRightOf, {1500, 770}, false, false, 22800, 11850},
    {"right screen, one row more flips", 96, kRightOf, {1500, 771}, false, true, 22800, 7755},
    {"right screen, bottom-left corner", 96, kRightOf, {1024, 1023}, false, true, 15660, 11535},
    {"right screen, bottom-right corner", 96, kRightOf, {2303, 1023}, true, true, 30270, 11535},
    {"lower screen, top-left corner", 96, kBelow, {0, 768}, false, false, 300, 11820},
    {"lower screen, right edge touches", 96, kBelow, {515, 900}, false, false, 8025, 13800},
    {"lower screen, one pixel more flips", 96, kBelow, {516, 900}, true, false, 3465, 13800},
    {"lower screen, bottom edge flips", 96, kBelow, {100, 1115}, false, true, 1800, 12915},
    {"lower screen, bottom-right corner", 96, kBelow, {799, 1367}, true, true, 7710, 16695},
    // A screen left of the desktop's origin.
    {"negative coordinates", 96, {-1280, 0, 1280, 1024}, {-50, 10}, true, false, -5025, 450},
};

TEST(ZoomPlacement, FollowsTheCursorOrFlipsAtTheEdgesOfItsScreen) {
    for (const PlacementRow& r : kPlacements) {
        SCOPED_TRACE(r.name);
        const float tpp = float(1440.0 / r.dpi);
        const zoom::Placement p = zoom::PlaceBesideCursor(r.cursor, r.screenPx, zoom::kWindowWidth,
                                                          zoom::kWindowHeight, tpp, tpp);
        EXPECT_EQ(p.right, r.right);
        EXPECT_EQ(p.bottom, r.bottom);
        EXPECT_FLOAT_EQ(p.left, r.left);
        EXPECT_FLOAT_EQ(p.top, r.top);
    }
}

TEST(ZoomPlacement, ExtremeCursorPositionsDoNotOverflow) {
    const QPoint far(std::numeric_limits<int>::max(), std::numeric_limits<int>::min());
    const zoom::Placement p =
        zoom::PlaceBesideCursor(far, kPrimary, zoom::kWindowWidth, zoom::kWindowHeight, 15, 15);
    EXPECT_TRUE(p.right);
    EXPECT_FALSE(p.bottom);
}

TEST(ZoomSourceSide, FortyEightOverTheLevelRoundedHalvesToEven) {
    struct Range {
        int from, to, side;
    };
    const Range kSides[] = {{1, 1, 48},  {2, 2, 24},  {3, 3, 16},  {4, 4, 12},  {5, 5, 10},
                            {6, 6, 8},   {7, 7, 7},   {8, 8, 6},   {9, 10, 5},  {11, 13, 4},
                            {14, 19, 3}, {20, 32, 2}, {33, 95, 1}, {96, 200, 0}};
    int checked = 0;
    for (const Range& r : kSides)
        for (int n = r.from; n <= r.to; ++n, ++checked)
            EXPECT_EQ(zoom::SourceSide(n), r.side) << "n = " << n;
    EXPECT_EQ(checked, 200);
    EXPECT_EQ(zoom::SourceSide(kMaxZoomLevel), 0);
}

TEST(ZoomCaption, CoordinatesAndZoomFigure) {
    struct Row {
        QPoint cursor;
        std::int32_t n;
        const char* text;
    };
    const Row kRows[] = {
        {{512, 384}, 1, "  X = 512  Y = 384  Zoom = x48"},
        {{0, 5}, 2, "  X = 0  Y = 5  Zoom = x96"},
        {{-20, 3}, 96, "  X = -20  Y = 3  Zoom = x4608"},
        {{1, 1}, kMaxZoomLevel, "  X = 1  Y = 1  Zoom = x2147483616"},
    };
    for (const Row& r : kRows)
        EXPECT_EQ(zoom::CoordCaption(r.cursor, r.n), QString::fromLatin1(r.text));
}

TEST(ZoomLevel, OneStepPerNotchBetweenOneAndTheTop) {
    struct Row {
        std::int32_t n;
        int notch;
        std::int32_t next;
    };
    const Row kRows[] = {
        {1, +1, 2},
        {1, -1, 1},
        {2, -1, 1},
        {95, +1, 96},
        {96, -1, 95},
        {kMaxZoomLevel - 1, +1, kMaxZoomLevel},
        {kMaxZoomLevel, +1, kMaxZoomLevel},
        {kMaxZoomLevel, -1, kMaxZoomLevel - 1},
    };
    for (const Row& r : kRows)
        EXPECT_EQ(zoom::StepZoomLevel(r.n, r.notch), r.next) << r.n << " " << r.notch;
    // 48 * n stays a 32-bit number at the top.
    EXPECT_LE(std::int64_t(48) * kMaxZoomLevel, std::numeric_limits<std::int32_t>::max());
}

} // namespace
