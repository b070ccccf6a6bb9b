#include "ColorPicker.h"

#include "ColorText.h"
#include "capture/basCapture.h"

namespace picker {

namespace {

constexpr forms::Colour kSampleBack = 0x0080C0FF; // light orange
constexpr forms::Colour kPanelBack = 0x00C0FFFF;  // the window's yellow

// Slot i: column i div 2, row i mod 2; its option button 240 twips to its left.
constexpr float kSlotLeft = 960, kOptionLeft = 720, kColumnStep = 960, kRowStep = 360;
constexpr float kSlotWidth = 615, kSlotHeight = 255, kOptionSize = 255;
constexpr int kSlotTab[8] = {18, 13, 12, 14, 24, 25, 26, 27};
constexpr int kOptionTab[8] = {19, 17, 16, 15, 28, 29, 30, 31};

const char* const kCrosshair[] = {
    "................................", "................................",
    "................................", "................................",
    "................................", "................................",
    "..............###...............", "..............#o#...............",
    "..............#o#...............", "..............#o#...............",
    "..............#o#...............", "..............###...............",
    "................................", "................................",
    "......######.......######.......", "......#oooo#...+...#oooo#.......",
    "......######.......######.......", "................................",
    "................................", "..............###...............",
    "..............#o#...............", "..............#o#...............",
    "..............#o#...............", "..............#o#...............",
    "..............###...............", "................................",
    "................................", "................................",
    "................................", "................................",
    "................................", "................................",
};

} // namespace

QImage CrosshairImage() {
    return forms::imageFromText(
        kCrosshair, 32,
        {{'#', qRgb(0, 0, 0)}, {'o', qRgb(255, 255, 255)}, {'+', qRgb(0x32, 0x32, 0x32)}});
}

ColorPicker::ColorPicker(forms::Form& form, forms::PictureBox& picClrFrame)
    : picClrScreen(form, &picClrFrame), picGrabber(form, &picClrScreen), shpCursor(picClrScreen),
      lblClrInfo(form, &picClrFrame), ctlClrTimer(form, 10, false), form_(form) {
    picClrScreen.setScaleMode(forms::ScaleMode::Pixels);
    picClrScreen.setBorderFlat(true);
    picClrScreen.Move(0, 0, 615, 615);
    picClrScreen.setBackColor(kSampleBack);
    picClrScreen.setForeColor(forms::vbWindowText);

    // Children of the sample box are placed in its pixel scale.
    picGrabber.Move(4, 4, 32, 32);
    picGrabber.setBackColor(kSampleBack);
    picGrabber.setAutoSize(true);
    picGrabber.setPicture(CrosshairImage());
    shpCursor.Left = 15;
    shpCursor.Top = 15;
    shpCursor.Width = 8;
    shpCursor.Height = 8;

    for (int i = 0; i < 8; ++i) {
        auto slot = std::make_unique<forms::PictureBox>(form, &picClrFrame);
        slot->setScaleMode(forms::ScaleMode::Pixels);
        slot->setBorderFlat(true);
        slot->Move(kSlotLeft + kColumnStep * float(i / 2), kRowStep * float(i % 2), kSlotWidth,
                   kSlotHeight);
        slot->setBackColor(forms::vbWindowBackground);
        slot->setForeColor(forms::vbWindowText);
        slot->setFont(forms::SmallFont());
        slot->setToolTipText(QStringLiteral("#ffffff"));
        slot->setTabStopFromClick(false);
        const auto index = std::int16_t(i);
        slot->DblClick = [this, index] { picClrSelected_DblClick(index); };
        slot->MouseDown = [this, index](int b, int s, float x, float y) {
            picClrSelected_MouseDown(index, b, s, x, y);
        };
        picClrSelected[std::size_t(i)] = std::move(slot);

        auto opt = std::make_unique<forms::OptionButton>(form, &picClrFrame);
        opt->Move(kOptionLeft + kColumnStep * float(i / 2), kRowStep * float(i % 2), kOptionSize,
                  kOptionSize);
        opt->setBackColor(kPanelBack);
        opt->setCaption(QStringLiteral("Option1"));
        opt->setTabStopFromClick(true);
        opt->Click = [this, index] { optClr_Click(index); };
        optClr[std::size_t(i)] = std::move(opt);
    }
    optClr[0]->setValue(true);

    lblClrInfo.Move(4680, 0, 3255, 615);
    lblClrInfo.setFont(forms::SmallFont());
    lblClrInfo.setWordWrap(true);
    lblClrInfo.setCaption(QStringLiteral("Doppelklick: Farbwert in Zwischenablage kopieren "
                                         "Rechtsklick: Farbwert aus Zwischenablage einfügen"));

    picGrabber.MouseDown = [this](int b, int s, float x, float y) {
        picGrabber_MouseDown(b, s, x, y);
    };
    picGrabber.MouseUp = [this](int b, int s, float x, float y) { picGrabber_MouseUp(b, s, x, y); };
    ctlClrTimer.Timer_ = [this] { ctlClrTimer_Timer(); };
}

std::vector<std::pair<int, QWidget*>> ColorPicker::tabStops() const {
    std::vector<std::pair<int, QWidget*>> out{{20, picClrScreen.widget()},
                                              {21, picGrabber.widget()}};
    for (int i = 0; i < 8; ++i) {
        out.emplace_back(kSlotTab[i], picClrSelected[std::size_t(i)]->widget());
        out.emplace_back(kOptionTab[i], optClr[std::size_t(i)]->widget());
    }
    out.emplace_back(32, lblClrInfo.widget());
    return out;
}

// TODO(picker): sampling, slots and clipboard.
void ColorPicker::SetGrabMode(std::int16_t enter) {
    (void)enter;
}
void ColorPicker::picGrabber_MouseDown(int, int, float, float) {}
void ColorPicker::picGrabber_MouseUp(int, int, float, float) {}
void ColorPicker::ctlClrTimer_Timer() {}
void ColorPicker::optClr_Click(std::int16_t index) {
    intSelectedSlot = index;
}
void ColorPicker::picClrSelected_DblClick(std::int16_t) {}
void ColorPicker::picClrSelected_MouseDown(std::int16_t, int, int, float, float) {}

} // namespace picker
