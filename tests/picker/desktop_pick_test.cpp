#include "picker_fixture.h"

#include "picker/ColorText.h"

#include <QTest>

namespace {

using platform::PickedColour;

// Where capture is blind, a press on the crosshair hands the pick to the
// desktop's own picker; its answer fills the selected slot like a grab.
class DesktopPick : public PickerFixture {
protected:
    void SetUp() override {
        PickerFixture::SetUp();
        desk.blind = true;
        QTest::mouseClick(pk().optClr[3]->widget(), Qt::LeftButton, {}, QPoint(8, 8));
        slot(3).setBackColor(0x0080FF);
        slot(3).setToolTipText(QStringLiteral("#ff8000"));
    }
    void press() {
        pk().picGrabber_MouseDown(forms::vbLeftButton, 0, 0, 0);
        pk().picGrabber_MouseUp(forms::vbLeftButton, 0, 0, 0);
    }
    QString hint() const { return frm->picker.lblClrInfo.Caption(); }
};

TEST_F(DesktopPick, AnswerDecidesTheSlotAndTheHint) {
    const QString info = hint();
    const struct {
        PickedColour answer;
        forms::Colour back;
        const char* tip;
        bool hintKept;
    } rows[] = {
        {{PickedColour::Picked, qRgb(0x12, 0x34, 0x56)}, 0x563412, "#123456", true},
        {{PickedColour::Picked, qRgb(0, 0, 0)}, 0x000000, "#000000", true},
        {{PickedColour::Cancelled, 0}, 0x0080FF, "#ff8000", true},
        {{PickedColour::Unavailable, 0}, 0x0080FF, "#ff8000", false},
        {{PickedColour::Failed, 0}, 0x0080FF, "#ff8000", false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.tip);
        slot(3).setBackColor(0x0080FF);
        slot(3).setToolTipText(QStringLiteral("#ff8000"));
        frm->picker.lblClrInfo.setCaption(QStringLiteral("vorher"));
        const int captures = desk.captures;
        press();
        // No grab: it would fill the slot with the blind screen's black.
        EXPECT_FALSE(pk().ctlClrTimer.Enabled());
        EXPECT_TRUE(pk().picGrabber.Visible());
        ASSERT_TRUE(desk.pendingPick);
        desk.answerPick(r.answer);
        EXPECT_EQ(desk.captures, captures);

        forms::PictureBox& s = slot(3);
        EXPECT_EQ(s.BackColor(), r.back);
        EXPECT_EQ(s.ToolTipText(), QString::fromLatin1(r.tip));
        if (r.answer.outcome == PickedColour::Picked) {
            const forms::Colour label = picker::ContrastColor(r.back);
            EXPECT_EQ(s.image(), slotWithLabel(s, r.back, label, QString::fromLatin1(r.tip)));
            // The sample box shows the picked colour around the crosshair.
            EXPECT_EQ(pk().picClrScreen.image().pixel(2, 2), forms::toQColor(r.back).rgb());
        }
        if (r.hintKept) {
            EXPECT_EQ(hint(), info);
        } else {
            EXPECT_NE(hint(), info);
            EXPECT_NE(hint(), QStringLiteral("vorher"));
        }
        for (int k = 0; k < 8; ++k) {
            if (k != 3) {
                EXPECT_EQ(slot(k).BackColor(), forms::vbWindowBackground) << k;
            }
        }
    }
}

TEST_F(DesktopPick, OnePickerAtATimeAndNoneWhileTheScreenCanBeRead) {
    // The shown ruler is what blindness is measured against.
    EXPECT_GE(desk.captureChecks, 1);
    press();
    press();
    EXPECT_EQ(desk.picks, 1);
    desk.answerPick({PickedColour::Cancelled, 0});
    press();
    EXPECT_EQ(desk.picks, 2);
    desk.answerPick({PickedColour::Cancelled, 0});

    desk.blind = false;
    pk().picGrabber_MouseDown(forms::vbLeftButton, 0, 0, 0);
    EXPECT_TRUE(pk().ctlClrTimer.Enabled());
    EXPECT_EQ(desk.picks, 2);
}

TEST_F(DesktopPick, AnswerAfterTheWindowIsGoneIsDropped) {
    press();
    ASSERT_TRUE(desk.pendingPick);
    frm.reset();
    desk.answerPick({PickedColour::Picked, qRgb(1, 2, 3)});
}

} // namespace
