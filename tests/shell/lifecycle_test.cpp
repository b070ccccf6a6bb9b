#include "support/RulerFixture.h"

#include "shell/Images.h"

#include <QTest>

#include <algorithm>

namespace {

using Log = std::vector<QString>;

qsizetype indexOf(const Log& log, const QString& entry) {
    const auto it = std::find(log.begin(), log.end(), entry);
    return it == log.end() ? -1 : qsizetype(it - log.begin());
}

QString stored(platform::FakeDesktop& d, const char* name) {
    return d.store.values.value(QStringLiteral("Software\\Kalmoro\\Quillant\\") + name);
}

TEST_F(RulerFixture, FirstStartWritesDefaultsThenShowsTheRuler) {
    start();
    // Icon first, then the first-run defaults in their order, then the reads.
    const Log expected{
        "TrayAdd",    "read:Installed", "write:Installed", "write:AlwaysOnTop", "write:Orientation",
        "write:Size", "write:Left",     "write:Top",       "read:AlwaysOnTop",  "read:Orientation",
        "read:Left",  "read:Top",       "TopmostOn",       "read:Size"};
    Log got;
    std::copy_if(desk.log.begin(), desk.log.end(), std::back_inserter(got),
                 [](const QString& s) { return s != "SkipTaskbar"; });
    EXPECT_EQ(got, expected);
    EXPECT_LT(indexOf(desk.log, "SkipTaskbar"), indexOf(desk.log, "TrayAdd"));

    EXPECT_EQ(frm->intPanelMode, 1);
    EXPECT_EQ(globals.blnAlwaysOnTop, -1);
    EXPECT_EQ(globals.intOrientation, 0);
    EXPECT_TRUE(desk.topmost.value(frm->window()));
    EXPECT_EQ(frm->window()->geometry(), QRect(60, 60, 600, 61));
    EXPECT_FLOAT_EQ(frm->Width(), 9000);
    EXPECT_FLOAT_EQ(frm->Height(), 915);
    EXPECT_TRUE(frm->Visible());
    EXPECT_EQ(frm->picOnTop.Picture(), shell::OnTopInactiveImage());
    EXPECT_EQ(desk.trayTip, "Jorv's Quillant");
    EXPECT_EQ(globals.nidTray.szTip.size(), 64);
    EXPECT_TRUE(frm->picRuler.HasFocus() || !frm->window()->isActiveWindow());
}

TEST_F(RulerFixture, DesignStateBeforeLoad) {
    frm = std::make_unique<shell::frmRuler>(desk, globals);
    EXPECT_EQ(frm->intPanelMode, 0);
    EXPECT_TRUE(frm->picResizeH.Visible());
    EXPECT_FALSE(frm->picResizeV.Visible());
    EXPECT_FALSE(frm->picClrFrame.Visible());
    EXPECT_TRUE(frm->ctlMousePosTimer.Enabled());
    EXPECT_FALSE(frm->picker.ctlClrTimer.Enabled());
    EXPECT_EQ(frm->picOnTop.Picture(), shell::OnTopInactiveImage());
    EXPECT_EQ(frm->picClose.ToolTipText(), "Schließen");
    EXPECT_EQ(frm->picResizeV.ToolTipText(), "Lineal vergrößern/verkleinern");
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(frm->picker.picClrSelected[i]->ToolTipText(), "#ffffff");
    EXPECT_TRUE(frm->picker.optClr[0]->Value());
    EXPECT_TRUE(desk.log.empty());
}

TEST_F(RulerFixture, CloseButtonHidesRemovesIconStoresAndEnds) {
    start();
    frm->Move(1500, 2400);
    frm->picOnTop_Click();
    desk.log.clear();
    QTest::mouseClick(frm->picClose.widget(), Qt::LeftButton, {}, QPoint(5, 5));
    const Log expected{"TrayRemove", "write:AlwaysOnTop", "write:Orientation",
                       "write:Left", "write:Top",         "write:Size",
                       "End"};
    EXPECT_EQ(desk.log, expected);
    EXPECT_FALSE(frm->Visible());
    EXPECT_EQ(stored(desk, "AlwaysOnTop"), "0");
    EXPECT_EQ(stored(desk, "Left"), "1500");
    EXPECT_EQ(stored(desk, "Top"), "2400");
    EXPECT_EQ(stored(desk, "Size"), "9000");
    EXPECT_EQ(stored(desk, "Installed"), "1");
}

TEST_F(RulerFixture, CloseButtonEndsWithTheZoomWindowOpen) {
    start();
    frm->picZoom_Click();
    ASSERT_NE(frm->zoomWindow(), nullptr);
    frm->picClose_Click();
    EXPECT_EQ(frm->zoomWindow(), nullptr);
    EXPECT_EQ(desk.endCalls, 1);
    EXPECT_EQ(stored(desk, "Orientation"), "0");
}

struct CloseCase {
    int mode;
    bool tray;
    bool ends;
};

class CloseRequest : public RulerFixture, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseRequest, HidesAndEndsOnlyWhereItMust) {
    const CloseCase c = GetParam();
    start();
    desk.trayPresent = c.tray;
    desk.store.writeLog.clear();
    const bool unloaded = frm->Unload(c.mode);
    EXPECT_FALSE(frm->Visible());
    EXPECT_EQ(unloaded, c.ends);
    EXPECT_EQ(desk.tray == nullptr, c.ends);
    EXPECT_EQ(desk.store.writeLog.empty(), !c.ends);
}

INSTANTIATE_TEST_SUITE_P(Modes, CloseRequest,
                         ::testing::Values(CloseCase{0, true, false}, CloseCase{1, true, true},
                                           CloseCase{2, true, true}, CloseCase{3, true, false},
                                           CloseCase{4, true, false}, CloseCase{5, true, false},
                                           // No notification area: no way back, so end.
                                           CloseCase{0, false, true}, CloseCase{3, false, true}));

TEST_F(RulerFixture, WindowManagerCloseHidesAndIconBringsItBack) {
    start();
    frm->picOnTop_Click();
    frm->window()->close(); // what Alt+F4 delivers
    EXPECT_FALSE(frm->Visible());
    EXPECT_EQ(desk.endCalls, 0);
    ASSERT_NE(desk.tray, nullptr);
    desk.trayMessage(platform::TrayLButtonDblClk);
    EXPECT_TRUE(frm->Visible());
    EXPECT_EQ(globals.blnAlwaysOnTop, 0);
    EXPECT_EQ(frm->picOnTop.Picture(), shell::OnTopActiveImage());
}

TEST_F(RulerFixture, SessionEndStoresAndEnds) {
    start();
    frm->SwitchOrientation();
    frm->SessionEnding();
    EXPECT_EQ(desk.endCalls, 1);
    EXPECT_EQ(desk.tray, nullptr);
    EXPECT_EQ(stored(desk, "Orientation"), "1");
    EXPECT_EQ(stored(desk, "Size"), "9000");
    frm->SessionEnding(); // a second signal does nothing more
    EXPECT_EQ(desk.endCalls, 1);
}

TEST_F(RulerFixture, TrayDoubleClickTogglesOtherMessagesDoNothing) {
    for (double dpi : {96.0, 120.0}) {
        desk.dpiX = desk.dpiY = dpi;
        start();
        for (int m : {0x200, 0x201, 0x202, 0x204, 0x205, 0x206, 0x207, 0x208, 0x209}) {
            desk.trayMessage(m);
            EXPECT_TRUE(frm->Visible()) << m;
        }
        desk.trayMessage(platform::TrayLButtonDblClk);
        EXPECT_FALSE(frm->Visible()) << dpi;
        desk.trayMessage(platform::TrayLButtonDblClk);
        EXPECT_TRUE(frm->Visible()) << dpi;
        EXPECT_EQ(desk.active, frm->window());
    }
}

TEST_F(RulerFixture, TopmostToggleFlipsStateImageAndStacking) {
    start();
    QTest::mouseClick(frm->picOnTop.widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(globals.blnAlwaysOnTop, 0);
    EXPECT_FALSE(desk.topmost.value(frm->window()));
    EXPECT_EQ(frm->picOnTop.Picture(), shell::OnTopActiveImage());
    EXPECT_EQ(desk.active, frm->window());
    QTest::mouseClick(frm->picOnTop.widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(globals.blnAlwaysOnTop, -1);
    EXPECT_TRUE(desk.topmost.value(frm->window()));
    EXPECT_EQ(frm->picOnTop.Picture(), shell::OnTopInactiveImage());
}

} // namespace
