#include "support/RulerFixture.h"

#include <QTest>

namespace {

class Orientation : public RulerFixture {};

struct Placement {
    const char* name;
    forms::Control* (*control)(shell::frmRuler&);
    float along; // position along the button side, twips
};

const Placement kRow[] = {
    {"picOnTop", [](shell::frmRuler& f) -> forms::Control* { return &f.picOnTop; }, 225},
    {"picLineal", [](shell::frmRuler& f) -> forms::Control* { return &f.picLineal; }, 480},
    {"picColor", [](shell::frmRuler& f) -> forms::Control* { return &f.picColor; }, 675},
    {"picZoom", [](shell::frmRuler& f) -> forms::Control* { return &f.picZoom; }, 870},
    {"lblPixel", [](shell::frmRuler& f) -> forms::Control* { return &f.lblPixel; }, 1125},
};

TEST_F(Orientation, ButtonRowAndColumnFollowTheCloseButton) {
    start();
    for (const Placement& p : kRow) {
        SCOPED_TRACE(p.name);
        EXPECT_FLOAT_EQ(p.control(*frm)->Left(), p.along);
        EXPECT_FLOAT_EQ(p.control(*frm)->Top(), 30);
    }
    frm->SwitchOrientation();
    for (const Placement& p : kRow) {
        SCOPED_TRACE(p.name);
        EXPECT_FLOAT_EQ(p.control(*frm)->Left(), 30);
        EXPECT_FLOAT_EQ(p.control(*frm)->Top(), p.along);
    }
    EXPECT_FLOAT_EQ(frm->picClose.Left(), 30);
    EXPECT_FLOAT_EQ(frm->picClose.Top(), 30);
}

TEST_F(Orientation, SwitchTurnsAboutTheTopLeftCornerAndBack) {
    start();
    ASSERT_FLOAT_EQ(frm->Width(), 9000);
    ASSERT_FLOAT_EQ(frm->Height(), 915);

    frm->SwitchOrientation();
    EXPECT_EQ(globals.intOrientation, 1);
    EXPECT_FLOAT_EQ(frm->Width(), 915);
    EXPECT_FLOAT_EQ(frm->Height(), 9000);
    EXPECT_FLOAT_EQ(frm->Left(), 900);
    EXPECT_FLOAT_EQ(frm->Top(), 900);
    EXPECT_EQ(frm->window()->size(), QSize(61, 600));
    // Strip along the right side, grip at the bottom end.
    EXPECT_FLOAT_EQ(frm->picRuler.Left(), 390);
    EXPECT_FLOAT_EQ(frm->picRuler.Top(), 0);
    EXPECT_FLOAT_EQ(frm->picRuler.Width(), 495);
    EXPECT_FLOAT_EQ(frm->picRuler.Height(), 9000);
    EXPECT_FLOAT_EQ(frm->picResizeV.Top() + frm->picResizeV.Height(), 9000 - 60);
    EXPECT_FALSE(frm->picResizeH.Visible());
    EXPECT_TRUE(frm->picResizeV.Visible());

    frm->SwitchOrientation();
    EXPECT_EQ(globals.intOrientation, 0);
    EXPECT_EQ(frm->window()->size(), QSize(600, 61));
    EXPECT_FLOAT_EQ(frm->picRuler.Top(), 390);
    EXPECT_FLOAT_EQ(frm->picRuler.Width(), 9000);
    EXPECT_FLOAT_EQ(frm->picResizeH.Left() + frm->picResizeH.Width(), 9000 - 60);
    EXPECT_TRUE(frm->picResizeH.Visible());
    EXPECT_FALSE(frm->picResizeV.Visible());
}

TEST_F(Orientation, SwitchDrawsTheScaleThreeTimes) {
    start();
    const int before = frm->drawScaleCount;
    frm->SwitchOrientation();
    EXPECT_EQ(frm->drawScaleCount - before, 3);
}

TEST_F(Orientation, StripEndsAtTheClientEdge) {
    start();
    // 915 twips high window: 885 twips of client area, 390 + 495 = 885.
    EXPECT_FLOAT_EQ(frm->ScaleHeight(), 885);
    const QRect strip = frm->picRuler.widget()->geometry();
    EXPECT_EQ(strip.bottom() + 1, frm->client()->height());
    EXPECT_EQ(strip.width(), 600); // two pixels longer than the client area
}

TEST_F(Orientation, DoubleClickTurnsOnlyInRulerMode) {
    start();
    QTest::mouseDClick(frm->picRuler.widget(), Qt::LeftButton, {}, QPoint(100, 20));
    EXPECT_EQ(globals.intOrientation, 1);
    QTest::mouseDClick(frm->client(), Qt::LeftButton, {}, QPoint(40, 5));
    EXPECT_EQ(globals.intOrientation, 0);

    frm->picColor_Click();
    frm->Form_DblClick();
    frm->picRuler_DblClick();
    EXPECT_EQ(globals.intOrientation, 0);
    EXPECT_EQ(frm->intPanelMode, 2);
}

TEST_F(Orientation, UnknownStoredOrientationIsHorizontalAndStoredBackAsZero) {
    for (const char* stored : {"2", "-1", "14741"}) {
        desk.store.values = {{"Software\\Kalmoro\\Quillant\\Installed", "1"},
                             {"Software\\Kalmoro\\Quillant\\Orientation", stored},
                             {"Software\\Kalmoro\\Quillant\\Size", "6000"},
                             {"Software\\Kalmoro\\Quillant\\Left", "900"},
                             {"Software\\Kalmoro\\Quillant\\Top", "900"}};
        start();
        // A plain horizontal ruler with its grip, not a mix of both layouts.
        EXPECT_EQ(globals.intOrientation, 0) << stored;
        EXPECT_EQ(frm->window()->geometry(), QRect(60, 60, 400, 61)) << stored;
        EXPECT_FLOAT_EQ(frm->picRuler.Top(), 390) << stored;
        EXPECT_TRUE(frm->picResizeH.Visible()) << stored;
        EXPECT_FALSE(frm->picResizeV.Visible()) << stored;
        frm->picClose_Click();
        EXPECT_EQ(desk.store.values.value("Software\\Kalmoro\\Quillant\\Orientation"), "0");
        EXPECT_EQ(desk.store.values.value("Software\\Kalmoro\\Quillant\\Size"), "6000");
    }
}

TEST_F(Orientation, PickerIsAlwaysShownHorizontally) {
    start();
    frm->SwitchOrientation();
    frm->picColor_Click();
    EXPECT_EQ(globals.intOrientation, 0);
    EXPECT_EQ(frm->intPanelMode, 2);
    EXPECT_TRUE(frm->picClrFrame.Visible());
    EXPECT_FALSE(frm->picRuler.Visible());
    EXPECT_FALSE(frm->lblPixel.Visible());
    EXPECT_FALSE(frm->ctlMousePosTimer.Enabled());

    frm->picLineal_Click();
    EXPECT_EQ(globals.intOrientation, 0);
    EXPECT_EQ(frm->intPanelMode, 1);
    EXPECT_TRUE(frm->picRuler.Visible());
    EXPECT_TRUE(frm->ctlMousePosTimer.Enabled());
    EXPECT_FALSE(frm->picClrFrame.Visible());
}

} // namespace
