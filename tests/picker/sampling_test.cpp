#include "picker_fixture.h"

#include "picker/ColorText.h"

#include <QTest>
#include <QWindow>

namespace {

class Sampling : public PickerFixture {};

TEST_F(Sampling, SampleFillsTheSelectedSlotWithColourTextAndContrastLabel) {
    const struct {
        forms::Colour colour;
        const char* text;
        forms::Colour label;
    } rows[] = {
        {0xFFFFFF, "#ffffff", 0x000000}, {0x0000FF, "#ff0000", 0xFFFF00},
        {0x0080FF, "#ff8000", 0xFF7F00}, {0x000000, "#000000", 0xFFFFFF},
        {0x808080, "#808080", 0x7F7F7F},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        setScreenPixel(199, 99, r.colour);
        grab({{200, 100}});
        forms::PictureBox& s = slot(0);
        EXPECT_EQ(s.BackColor(), r.colour);
        EXPECT_EQ(s.ToolTipText(), QString::fromLatin1(r.text));
        EXPECT_EQ(s.ForeColor(), r.label);
        // One label only: the previous sample's text is gone.
        EXPECT_EQ(s.image(), slotWithLabel(s, r.colour, r.label, QString::fromLatin1(r.text)));
    }
}

// The slot gets the pixel up and left of the pointer; the box shows columns
// and rows pointer - 3 to pointer + 1, each stretched to a fifth of the box.
TEST_F(Sampling, SampledPixelIsUpLeftOfThePointerAndTheViewIsTheFiveByFive) {
    const QPoint pointers[] = {{200, 100}, {3, 3}, {1023, 767}, {1, 1}};
    for (const QPoint& at : pointers) {
        SCOPED_TRACE(testing::Message() << at.x() << "," << at.y());
        for (int dy = -3; dy <= 1; ++dy)
            for (int dx = -3; dx <= 1; ++dx)
                if (at.x() + dx >= 0 && at.y() + dy >= 0 && at.x() + dx < 1024 && at.y() + dy < 768)
                    setScreenPixel(at.x() + dx, at.y() + dy,
                                   forms::Colour(0x10 * (dx + 4) + (0x10 * (dy + 4) << 8)));
        pk().SetGrabMode(-1);
        desk.cursor = at;
        pk().ctlClrTimer.Fire();
        EXPECT_EQ(slot(0).BackColor(), forms::Colour(0x30 + (0x30 << 8)));

        const QImage& view = pk().picClrScreen.image();
        for (int j = 0; j < 5; ++j)
            for (int i = 0; i < 5; ++i) {
                const QPoint centre((2 * i + 1) * view.width() / 10,
                                    (2 * j + 1) * view.height() / 10);
                const int sx = at.x() - 3 + i, sy = at.y() - 3 + j;
                const bool on = sx >= 0 && sy >= 0 && sx < 1024 && sy < 768;
                const QRgb want =
                    on ? forms::toQColor(forms::Colour(0x10 * (i + 1) + (0x10 * (j + 1) << 8)))
                             .rgb()
                       : qRgb(0, 0, 0);
                EXPECT_EQ(view.pixel(centre), want) << i << "," << j;
            }
        pk().picGrabber_MouseUp(forms::vbLeftButton, 0, 0, 0);
        pk().ctlClrTimer.Fire();
    }
}

TEST_F(Sampling, PointerInTheFirstColumnSamplesBlackOffTheScreen) {
    pk().SetGrabMode(-1);
    desk.cursor = QPoint(0, 300);
    pk().ctlClrTimer.Fire();
    EXPECT_EQ(slot(0).BackColor(), 0u);
    EXPECT_EQ(slot(0).ToolTipText(), QStringLiteral("#000000"));
}

TEST_F(Sampling, ReleaseBeforeTheFirstTickStillTakesExactlyOneSample) {
    setScreenPixel(49, 59, 0x0080FF);
    desk.cursor = QPoint(50, 60);
    const int before = desk.captures;
    pk().picGrabber_MouseDown(forms::vbLeftButton, 0, 0, 0);
    pk().picGrabber_MouseUp(forms::vbLeftButton, 0, 0, 0);
    EXPECT_EQ(desk.captures, before);
    pk().ctlClrTimer.Fire();
    EXPECT_EQ(desk.captures, before + 1);
    EXPECT_EQ(slot(0).ToolTipText(), QStringLiteral("#ff8000"));
    EXPECT_FALSE(pk().ctlClrTimer.Enabled());
}

TEST_F(Sampling, SlotKeepsTheColourOfTheFirstTickAfterTheRelease) {
    setScreenPixel(9, 9, 0x0000FF);
    setScreenPixel(19, 19, 0x00FF00);
    setScreenPixel(29, 29, 0xFF0000);
    pk().picGrabber_MouseDown(forms::vbLeftButton, 0, 0, 0);
    desk.cursor = QPoint(10, 10);
    pk().ctlClrTimer.Fire();
    EXPECT_EQ(slot(0).BackColor(), 0x0000FFu);
    desk.cursor = QPoint(20, 20);
    pk().picGrabber_MouseUp(forms::vbLeftButton, 0, 0, 0);
    desk.cursor = QPoint(30, 30);
    pk().ctlClrTimer.Fire();
    EXPECT_EQ(slot(0).BackColor(), 0xFF0000u);
    EXPECT_EQ(slot(0).ToolTipText(), QStringLiteral("#0000ff"));
}

TEST_F(Sampling, GrabModeStatesOfTheControls) {
    picker::ColorPicker& p = pk();
    p.SetGrabMode(-1);
    EXPECT_EQ(p.blnGrabReleased, 0);
    EXPECT_TRUE(p.ctlClrTimer.Enabled());
    EXPECT_FALSE(p.picGrabber.Visible());
    EXPECT_TRUE(p.shpCursor.Visible());
    EXPECT_EQ(p.picClrScreen.MousePointer(), 99);
    EXPECT_EQ(p.picClrScreen.MouseIcon().hotSpot(), QPoint(16, 16));
    EXPECT_EQ(p.picClrScreen.MouseIcon().pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
              picker::CrosshairImage().convertToFormat(QImage::Format_ARGB32));
    EXPECT_EQ(p.picClrScreen.widget()->cursor().shape(), Qt::BitmapCursor);

    desk.cursor = QPoint(500, 400);
    p.ctlClrTimer.Fire();
    EXPECT_FALSE(p.picClrScreen.Picture().isNull());
    p.picGrabber_MouseUp(forms::vbRightButton, 0, 0, 0);
    p.ctlClrTimer.Fire();

    EXPECT_EQ(p.blnGrabReleased, -1); // not reset when leaving
    EXPECT_FALSE(p.ctlClrTimer.Enabled());
    EXPECT_TRUE(p.picGrabber.Visible());
    EXPECT_FALSE(p.shpCursor.Visible());
    EXPECT_EQ(p.picClrScreen.MousePointer(), 0);
    EXPECT_TRUE(p.picClrScreen.Picture().isNull());
    QImage plain(p.picClrScreen.image().size(), QImage::Format_RGB32);
    plain.fill(forms::toQColor(0x0080C0FF));
    EXPECT_EQ(p.picClrScreen.image(), plain);
    // The panel and the selection are the grab's business no more than before.
    EXPECT_EQ(frm->intPanelMode, 2);
    EXPECT_EQ(p.intSelectedSlot, 0);
}

// Through the window as the window system delivers it: any button starts the
// grab, and its release reaches the hidden grab button wherever it happens.
TEST_F(Sampling, AnyMouseButtonStartsAndEndsAGrab) {
    const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};
    picker::ColorPicker& p = pk();
    QWindow* win = frm->window()->windowHandle();
    ASSERT_NE(win, nullptr);
    for (const Qt::MouseButton b : buttons) {
        SCOPED_TRACE(int(b));
        QTest::mousePress(win, b, {}, p.picGrabber.widget()->mapTo(frm->window(), QPoint(16, 16)));
        ASSERT_TRUE(p.ctlClrTimer.Enabled());
        ASSERT_FALSE(p.picGrabber.Visible());
        EXPECT_EQ(QWidget::mouseGrabber(), p.picClrScreen.widget());
        // Released over the button row, far off the sample box.
        QTest::mouseRelease(win, b, {}, QPoint(3, 3));
        EXPECT_EQ(p.blnGrabReleased, -1);
        EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
        p.ctlClrTimer.Fire();
        EXPECT_FALSE(p.ctlClrTimer.Enabled());
        EXPECT_TRUE(p.picGrabber.Visible());
    }
}

TEST_F(Sampling, ChosenSlotReceivesTheSamplesAtBothEnds) {
    const int chosen[] = {7, 0, 3};
    setScreenPixel(99, 99, 0x123456);
    for (const int i : chosen) {
        SCOPED_TRACE(i);
        for (auto& s : pk().picClrSelected) {
            s->setBackColor(forms::vbWindowBackground);
            s->setToolTipText(QStringLiteral("#ffffff"));
        }
        QTest::mouseClick(pk().optClr[std::size_t(i)]->widget(), Qt::LeftButton, {}, QPoint(8, 8));
        EXPECT_EQ(pk().intSelectedSlot, i);
        for (int k = 0; k < 8; ++k)
            EXPECT_EQ(pk().optClr[std::size_t(k)]->Value(), k == i) << k;
        grab({{100, 100}});
        for (int k = 0; k < 8; ++k) {
            EXPECT_EQ(slot(k).BackColor(), k == i ? 0x123456u : forms::vbWindowBackground) << k;
            EXPECT_EQ(slot(k).ToolTipText(), k == i ? "#563412" : "#ffffff") << k;
        }
    }
}

TEST_F(Sampling, MarkerStaysVisibleOverAnySample) {
    const forms::Colour samples[] = {0x000000, 0xFFFFFF, 0x808080, 0x7F7F7F, 0x0000FF, 0x00FFFF};
    picker::ColorPicker& p = pk();
    const QRect marker(1 + 15, 1 + 15, 8, 8); // inside the box's one-pixel border
    for (const forms::Colour c : samples) {
        SCOPED_TRACE(c);
        desk.screen.fill(forms::toQColor(c));
        p.SetGrabMode(-1);
        desk.cursor = QPoint(300, 300);
        p.ctlClrTimer.Fire();
        const QImage shown = p.picClrScreen.widget()->grab().toImage();
        const QColor back = forms::toQColor(c);
        // Each side of the frame has pixels far from the sample's colour.
        const auto contrast = [&](QPoint a) {
            const QColor m = shown.pixelColor(a);
            return std::max({std::abs(m.red() - back.red()), std::abs(m.green() - back.green()),
                             std::abs(m.blue() - back.blue())});
        };
        // The frame may be two pixels thick: look at both rings of each side.
        int top = 0, bottom = 0, left = 0, right = 0;
        for (int ring = 0; ring < 2; ++ring)
            for (int k = ring; k < 8 - ring; ++k) {
                top = std::max(top, contrast({marker.left() + k, marker.top() + ring}));
                bottom = std::max(bottom, contrast({marker.left() + k, marker.bottom() - ring}));
                left = std::max(left, contrast({marker.left() + ring, marker.top() + k}));
                right = std::max(right, contrast({marker.right() - ring, marker.top() + k}));
            }
        EXPECT_GE(std::min({top, bottom, left, right}), 128);
        p.picGrabber_MouseUp(forms::vbLeftButton, 0, 0, 0);
        p.ctlClrTimer.Fire();
    }
}

} // namespace
