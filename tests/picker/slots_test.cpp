#include "picker_fixture.h"

#include <QElapsedTimer>
#include <QTest>

namespace {

class Slots : public PickerFixture {
protected:
    void rightClick(int i) {
        pk().picClrSelected_MouseDown(std::int16_t(i), forms::vbRightButton, 0, 0, 0);
    }
};

TEST_F(Slots, CopiedColourPastesAsTheSameColourIntoAnotherSlot) {
    setScreenPixel(99, 99, 0x0080FF);
    grab({{100, 100}});
    QTest::mouseDClick(slot(0).widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(desk.clipboard, QStringLiteral("#ff8000"));

    rightClick(5);
    forms::PictureBox& s = slot(5);
    EXPECT_EQ(s.BackColor(), 0x0080FFu);
    EXPECT_EQ(s.ToolTipText(), QStringLiteral("#ff8000"));
    EXPECT_EQ(s.ForeColor(), 0xFF7F00u);
    EXPECT_EQ(s.image(), slotWithLabel(s, 0x0080FF, 0xFF7F00, QStringLiteral("#ff8000")));
    EXPECT_EQ(pk().intSelectedSlot, 0);
}

TEST_F(Slots, PastedTextIsTheTooltipAndLowerCaseTheLabel) {
    const struct {
        const char* text;
        forms::Colour colour;
        const char* label;
    } rows[] = {
        {"#FF8000", 0x0080FF, "#ff8000"},
        {"ff8000", 0x0080FF, "ff8000"},
        {"#ZZ00FF", 0xFF0000, "#zz00ff"},
        {"#ff8000\n", 0x0080FF, "#ff8000\n"},
        {"", 0x000000, ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        desk.clipboard = QString::fromLatin1(r.text);
        rightClick(7);
        forms::PictureBox& s = slot(7);
        EXPECT_EQ(s.ToolTipText(), QString::fromLatin1(r.text));
        EXPECT_EQ(s.BackColor(), r.colour);
        EXPECT_EQ(s.ForeColor(), 0xFFFFFF ^ r.colour);
        EXPECT_EQ(s.image(),
                  slotWithLabel(s, r.colour, 0xFFFFFF ^ r.colour, QString::fromLatin1(r.label)));
        // A double-click copies the text back exactly as it was pasted.
        pk().picClrSelected_DblClick(7);
        EXPECT_EQ(desk.clipboard, QString::fromLatin1(r.text));
    }
}

TEST_F(Slots, ColourTextsOfTheWidestDigitsFitTheSlot) {
    const char* widest[] = {"#000000", "#808080", "#bbbbbb", "#dddddd", "#eeeeee", "#ffffff"};
    for (const char* t : widest)
        EXPECT_LE(slot(0).TextWidth(QString::fromLatin1(t)), slot(0).ScaleWidth()) << t;
}

// The panel switch touches neither the slots nor the grab's timer.
TEST_F(Slots, KeepTheirColoursWhileThePickerIsHidden) {
    desk.clipboard = QStringLiteral("#abcdef");
    rightClick(4);
    frm->picLineal_Click();
    frm->picColor_Click();
    EXPECT_EQ(slot(4).BackColor(), 0xEFCDABu);
    EXPECT_EQ(slot(4).ToolTipText(), QStringLiteral("#abcdef"));
    EXPECT_FALSE(pk().ctlClrTimer.Enabled());
}

TEST_F(Slots, UntouchedSlotCopiesWhite) {
    desk.clipboard = QStringLiteral("something");
    pk().picClrSelected_DblClick(3);
    EXPECT_EQ(desk.clipboard, QStringLiteral("#ffffff"));
}

TEST_F(Slots, OnlyTheRightButtonPastesAndItNeverCopies) {
    desk.clipboard = QStringLiteral("#123456");
    const int writes = desk.clipboardWrites;
    const int buttons[] = {forms::vbLeftButton, forms::vbMiddleButton};
    for (const int b : buttons)
        pk().picClrSelected_MouseDown(0, b, 0, 0, 0);
    EXPECT_EQ(slot(0).ToolTipText(), QStringLiteral("#ffffff"));
    EXPECT_EQ(slot(0).BackColor(), forms::vbWindowBackground);

    QTest::mousePress(slot(0).widget(), Qt::RightButton, {}, QPoint(5, 5));
    QTest::mouseRelease(slot(0).widget(), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(slot(0).BackColor(), 0x563412u);
    EXPECT_EQ(desk.clipboardWrites, writes);
}

TEST_F(Slots, PasteLeavesTheSelectionForTheNextGrab) {
    QTest::mouseClick(pk().optClr[2]->widget(), Qt::LeftButton, {}, QPoint(8, 8));
    desk.clipboard = QStringLiteral("#00ff00");
    rightClick(6);
    EXPECT_EQ(pk().intSelectedSlot, 2);
    EXPECT_TRUE(pk().optClr[2]->Value());
    setScreenPixel(99, 99, 0x0000FF);
    grab({{100, 100}});
    EXPECT_EQ(slot(2).BackColor(), 0x0000FFu);
    EXPECT_EQ(slot(6).BackColor(), 0x00FF00u);
}

TEST_F(Slots, APasteDuringAGrabLastsUntilTheNextNewSample) {
    pk().picGrabber_MouseDown(forms::vbLeftButton, 0, 0, 0);
    desk.cursor = QPoint(100, 100);
    pk().ctlClrTimer.Fire();
    desk.clipboard = QStringLiteral("#00ff00");
    rightClick(0);
    pk().ctlClrTimer.Fire(); // the same square: the paste stays
    EXPECT_EQ(slot(0).BackColor(), 0x00FF00u);
    // A new square of the same centre colour takes the slot back.
    setScreenPixel(97, 97, 0x0000FF);
    pk().ctlClrTimer.Fire();
    EXPECT_EQ(slot(0).BackColor(), forms::fromQColor(QColor(10, 20, 30)));
    EXPECT_EQ(slot(0).ToolTipText(), QStringLiteral("#0a141e"));
    pk().picGrabber_MouseUp(forms::vbLeftButton, 0, 0, 0);
}

// Whatever the clipboard holds, the slot takes it and the program goes on;
// a text of megabytes is kept by its first 1024 characters.
TEST_F(Slots, AnyClipboardContentIsSafe) {
    const QString texts[] = {
        QString(8 << 20, QChar('f')),
        QString::fromUtf8("\xe2\x82\xac\xf0\x9f\x8e\xa8 Farbe \xc3\xa4"),
        QString(QChar(0)) + QString::fromLatin1("\x01\x02\xff\x7f", 4),
        QString(1000, QChar('\n')),
        QString(2000, QChar(' ')) + QStringLiteral("#ff8000"),
    };
    QElapsedTimer clock;
    clock.start();
    for (const QString& t : texts) {
        desk.clipboard = t;
        rightClick(1);
        EXPECT_LE(slot(1).BackColor(), 0xFFFFFFu);
        EXPECT_EQ(slot(1).ToolTipText(), t.left(1024));
        pk().picClrSelected_DblClick(1);
        EXPECT_EQ(desk.clipboard, t.left(1024));
    }
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(slot(1).BackColor(), 0x0080FFu); // the colour comes from the whole text
}

} // namespace
