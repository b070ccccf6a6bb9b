#include "capture/basCapture.h"
#include "platform/FakeDesktop.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using capture::CaptureScreenArea;
using capture::CreatePictureFromBitmap;

// A 1024 x 768 screen whose pixel (x, y) has red x mod 256, green y mod 256.
platform::FakeDesktop& gradientDesk(platform::FakeDesktop& d) {
    for (int y = 0; y < d.screen.height(); ++y)
        for (int x = 0; x < d.screen.width(); ++x)
            d.screen.setPixel(x, y, qRgb(x % 256, y % 256, 7));
    return d;
}

TEST(Capture, PictureHasTheRequestedSizeAndBlackOffTheScreen) {
    platform::FakeDesktop desk;
    gradientDesk(desk);
    const struct {
        int left, top;
    } corners[] = {{100, 50}, {-3, -3}, {1021, 765}, {-2, 700}, {5000, 5000}};
    for (const auto& c : corners) {
        SCOPED_TRACE(testing::Message() << c.left << "," << c.top);
        const QImage pic = CaptureScreenArea(desk, 0, -1, c.left, c.top, 5, 5);
        ASSERT_EQ(pic.size(), QSize(5, 5));
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x) {
                const int sx = c.left + x, sy = c.top + y;
                const bool on = sx >= 0 && sy >= 0 && sx < 1024 && sy < 768;
                const QRgb want = on ? qRgb(sx % 256, sy % 256, 7) : qRgb(0, 0, 0);
                EXPECT_EQ(pic.pixel(x, y), want) << x << "," << y;
            }
    }
}

TEST(Capture, NoPictureForAnEmptySizeAndNoOverflowFarAway) {
    platform::FakeDesktop desk;
    EXPECT_TRUE(CaptureScreenArea(desk, 0, -1, 0, 0, 0, 5).isNull());
    EXPECT_TRUE(CaptureScreenArea(desk, 0, -1, 0, 0, 5, -1).isNull());
    constexpr int kMax = std::numeric_limits<int>::max();
    const QImage far = CaptureScreenArea(desk, 0, 0, kMax - 2, kMax, 5, 5);
    ASSERT_EQ(far.size(), QSize(5, 5));
    EXPECT_EQ(far.pixel(4, 4), qRgb(0, 0, 0));
}

TEST(Capture, OnePicturePerCallAndNothingKeptBetween) {
    platform::FakeDesktop desk;
    for (int i = 0; i < 100; ++i)
        CaptureScreenArea(desk, 0, -1, i, i, 5, 5);
    EXPECT_EQ(desk.captures, 100);
}

TEST(Capture, PictureFromAnIndexedBitmapTakesItsPalette) {
    QImage bitmap(2, 1, QImage::Format_Indexed8);
    bitmap.setColorTable(QList<QRgb>(256, qRgb(0, 0, 0)));
    bitmap.setPixel(0, 0, 0);
    bitmap.setPixel(1, 0, 1);
    QList<QRgb> palette(256, qRgb(0, 0, 0));
    palette[0] = qRgb(255, 128, 0);
    palette[1] = qRgb(1, 2, 3);
    const QImage pic = CreatePictureFromBitmap(bitmap, palette);
    ASSERT_EQ(pic.format(), QImage::Format_RGB32);
    EXPECT_EQ(pic.pixel(0, 0), qRgb(255, 128, 0));
    EXPECT_EQ(pic.pixel(1, 0), qRgb(1, 2, 3));

    // True colour: no palette, the pixels as they are.
    QImage rgb(1, 1, QImage::Format_RGB32);
    rgb.setPixel(0, 0, qRgb(9, 8, 7));
    EXPECT_EQ(CreatePictureFromBitmap(rgb, {}).pixel(0, 0), qRgb(9, 8, 7));
    EXPECT_TRUE(CreatePictureFromBitmap(QImage(), {}).isNull());
}

} // namespace
