#include "support/RulerFixture.h"

namespace {

class PanelModes : public RulerFixture {
protected:
    void expectPicker(bool shown) {
        EXPECT_EQ(frm->intPanelMode, shown ? 2 : 1);
        EXPECT_EQ(frm->picClrFrame.Visible(), shown);
        EXPECT_EQ(frm->picRuler.Visible(), !shown);
        EXPECT_EQ(frm->lblPixel.Visible(), !shown);
        EXPECT_EQ(frm->ctlMousePosTimer.Enabled(), !shown);
    }
};

TEST_F(PanelModes, PickerTurnsAVerticalRulerHorizontalFirst) {
    start();
    frm->SwitchOrientation();
    ASSERT_EQ(globals.intOrientation, 1);
    frm->picColor_Click();
    EXPECT_EQ(globals.intOrientation, 0);
    EXPECT_FLOAT_EQ(frm->Height(), 915);
    expectPicker(true);

    frm->picColor_Click();
    EXPECT_EQ(globals.intOrientation, 0);
    expectPicker(true);

    // Going back keeps the window horizontal.
    frm->picLineal_Click();
    EXPECT_EQ(globals.intOrientation, 0);
    expectPicker(false);
    frm->picLineal_Click();
    expectPicker(false);
}

TEST_F(PanelModes, DoubleClicksDoNotTurnThePicker) {
    start();
    frm->picColor_Click();
    frm->Form_DblClick();
    frm->picRuler_DblClick();
    EXPECT_EQ(globals.intOrientation, 0);
    expectPicker(true);
}

TEST_F(PanelModes, SlotsKeepTheirColoursWhileThePickerIsHidden) {
    start();
    frm->picColor_Click();
    desk.clipboard = QStringLiteral("#abcdef");
    frm->picker.picClrSelected_MouseDown(4, forms::vbRightButton, 0, 0, 0);
    frm->picLineal_Click();
    frm->picColor_Click();
    EXPECT_EQ(frm->picker.picClrSelected[4]->BackColor(), 0xEFCDABu);
    EXPECT_EQ(frm->picker.picClrSelected[4]->ToolTipText(), QStringLiteral("#abcdef"));
    EXPECT_FALSE(frm->picker.ctlClrTimer.Enabled());
}

} // namespace
