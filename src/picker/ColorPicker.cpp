#include "ColorPicker.h"

#include "ColorText.h"
#include "capture/basCapture.h"

#include <QCursor>
#include <QPixmap>

namespace picker {

namespace {

constexpr forms::Colour kSampleBack = 0x0080C0FF; // light orange
constexpr forms::Colour kPanelBack = 0x00C0FFFF;  // the window's yellow

// Slot i: column i div 2, row i mod 2; its option button 240 twips to its left.
constexpr float kSlotLeft = 960, kOptionLeft = 720, kColumnStep = 960, kRowStep = 360;
constexpr float kSlotWidth = 615, kSlotHeight = 255, kOptionSize = 255;
constexpr int kSlotTab[8] = {18, 13, 12, 14, 24, 25, 26, 27};
constexpr int kOptionTab[8] = {19, 17, 16, 15, 28, 29, 30, 31};

// The sample is 5 x 5 screen pixels; the slot label starts 2 pixels down.
constexpr std::int32_t kSampleSide = 5;
constexpr float kLabelTop = 2;
constexpr int kCrosshairHotSpot = 16;
// A pasted text is kept (tooltip, label, copy) up to this length: laying out
// a tooltip of megabytes freezes the window for seconds, and no colour text
// comes near it.
constexpr qsizetype kMaxSlotText = 1024;

const QString kInfoText = QStringLiteral("Doppelklick: Farbwert in Zwischenablage kopieren "
                                         "Rechtsklick: Farbwert aus Zwischenablage einfügen");
const QString kNoDesktopPicker =
    QStringLiteral("Bildschirm in dieser Sitzung nicht lesbar, und der Desktop bietet keine "
                   "Farbauswahl an");
const QString kDesktopPickerFailed = QStringLiteral("Farbauswahl des Desktops fehlgeschlagen");

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

// The slots' small face: a colour text has to fit the slot's 39 inner pixels,
// which it does in Liberation Sans and does not (by two pixels) in DejaVu Sans.
QFont slotFont() {
    QFont f = forms::SmallFont();
    f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans Condensed"),
                   QStringLiteral("DejaVu Sans")});
    return f;
}

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
        slot->setFont(slotFont());
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
    lblClrInfo.setCaption(kInfoText);

    picGrabber.MouseDown = [this](int b, int s, float x, float y) {
        picGrabber_MouseDown(b, s, x, y);
    };
    picGrabber.MouseUp = [this](int b, int s, float x, float y) { picGrabber_MouseUp(b, s, x, y); };
    ctlClrTimer.Timer_ = [this] { ctlClrTimer_Timer(); };
    // A held grab moves over the sample box: it samples as the pointer moves,
    // and over a still screen it waits for the pointer, the screen or the
    // release.
    picClrScreen.MouseMove = [this](int, int, float, float) { ctlClrTimer.TickAtMotion(); };
    ctlClrTimer.setRestsWithPointer(true);
    ctlClrTimer.setRestsWithScreen(true);
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

forms::PictureBox* ColorPicker::slot(std::int32_t index) const {
    // The control array has elements 0 to 7 only.
    if (index < 0 || index >= std::int32_t(picClrSelected.size())) return nullptr;
    return picClrSelected[std::size_t(index)].get();
}

// ---------------------------------------------------------------- sampling

void ColorPicker::SetGrabMode(std::int16_t enter) {
    if (enter) {
        blnGrabReleased = 0;
        sampled_ = false;
        picClrScreen.setMousePointer(99);
        // The crosshair's hot spot is the icon's centre, so its centre dot
        // (icon pixel 15, 15) lies on the sampled pixel (x - 1, y - 1).
        picClrScreen.setMouseIcon(QCursor(QPixmap::fromImage(picGrabber.Picture()),
                                          kCrosshairHotSpot, kCrosshairHotSpot));
        // The box and the slot change with every sample.
        setDrawnOver(true);
        shpCursor.setVisible(true);
        picGrabber.setVisible(false);
        ctlClrTimer.setEnabled(true);
    } else {
        ctlClrTimer.setEnabled(false);
        setDrawnOver(false);
        picClrScreen.setPicture(QImage());
        picClrScreen.setMousePointer(0);
        picClrScreen.setBackColor(picGrabber.BackColor());
        picClrScreen.Cls();
        shpCursor.setVisible(false);
        picGrabber.setVisible(true);
    }
}

void ColorPicker::setDrawnOver(bool on) {
    picClrScreen.setDrawnOver(on);
    for (const auto& s : picClrSelected)
        s->setDrawnOver(on);
}

void ColorPicker::picGrabber_MouseDown(int, int, float, float) {
    // A grab would only read black where the screen cannot be captured.
    if (form_.sys().captureBlind()) {
        PickFromDesktop();
        return;
    }
    SetGrabMode(-1);
}

void ColorPicker::picGrabber_MouseUp(int, int, float, float) {
    blnGrabReleased = -1;
    ctlClrTimer.Changed();
}

void ColorPicker::ctlClrTimer_Timer() {
    QPoint p = form_.sys().cursorPos();
    p += QPoint(6, 6);
    // Columns and rows pointer - 3 to pointer + 1.
    const QRect square(p.x() - 9, p.y() - 9, kSampleSide, kSampleSide);
    // The box and the slot show the last sample; the same square of a screen
    // nobody drew on would give it again.
    const bool sameSlot = sampled_ && intSelectedSlot == sampledSlot_;
    if (!sameSlot || square != sampledSquare_ || !form_.sys().screenUnchanged(square)) {
        const QImage picture = capture::CaptureScreenArea(form_.sys(), 0, -1, square.x(),
                                                          square.y(), kSampleSide, kSampleSide);
        sampledSquare_ = square;
        if (!sameSlot || picture.isNull() || picture != picClrScreen.Picture()) show(picture);
    }
    // Also when the capture gave nothing: a released grab must still end.
    if (blnGrabReleased) SetGrabMode(0);
}

void ColorPicker::show(const QImage& picture) {
    picClrScreen.setPicture(picture);
    forms::PictureBox* target = slot(intSelectedSlot);
    const bool filled = sampled_ && filled_ && sampledSlot_ == intSelectedSlot;
    sampled_ = false;
    if (picture.isNull() || !target) return;
    picClrScreen.PaintPicture(picture, 0, 0, picClrScreen.ScaleWidth(), picClrScreen.ScaleHeight());
    // The centre lies in the middle block: the screen pixel (x - 1, y - 1).
    const forms::Colour c =
        picClrScreen.Point(picClrScreen.ScaleWidth() / 2, picClrScreen.ScaleHeight() / 2) &
        0xFFFFFF;
    // A slot that shows this colour from the last sample would be drawn the
    // same again; most samples of a moving grab keep their centre's colour.
    if (!filled || c != sampledColour_) fillSlot(*target, c);
    sampled_ = true;
    filled_ = true;
    sampledSlot_ = intSelectedSlot;
    sampledColour_ = c;
}

void ColorPicker::fillSlot(forms::PictureBox& target, forms::Colour c) {
    const QString t = '#' + ColorToHexDigits(c).toLower();
    target.setBackColor(c);
    target.setToolTipText(t);
    target.CurrentX = 0;
    target.CurrentY = kLabelTop;
    target.setForeColor(ContrastColor(c));
    target.Print(t);
}

void ColorPicker::PickFromDesktop() {
    // The desktop shows one picker at a time; further presses wait for it.
    if (pickOpen_) return;
    pickOpen_ = true;
    form_.sys().pickColour(form_.window(),
                           [this, alive = std::weak_ptr<int>(alive_)](platform::PickedColour a) {
                               if (!alive.expired()) DesktopPick_Done(a);
                           });
}

void ColorPicker::DesktopPick_Done(const platform::PickedColour& answer) {
    pickOpen_ = false;
    switch (answer.outcome) {
    case platform::PickedColour::Picked: {
        const QColor q = QColor::fromRgb(answer.colour);
        const forms::Colour c = forms::fromQColor(q);
        // The sample box shows the picked pixel as a grab shows its 5 x 5.
        QImage sample(kSampleSide, kSampleSide, QImage::Format_RGB32);
        sample.fill(q);
        picClrScreen.setPicture(sample);
        picClrScreen.PaintPicture(sample, 0, 0, picClrScreen.ScaleWidth(),
                                  picClrScreen.ScaleHeight());
        if (forms::PictureBox* target = slot(intSelectedSlot)) fillSlot(*target, c);
        sampled_ = false; // the next grab draws its first sample whatever it is
        lblClrInfo.setCaption(kInfoText);
        break;
    }
    case platform::PickedColour::Cancelled:
        lblClrInfo.setCaption(kInfoText);
        break;
    case platform::PickedColour::Unavailable:
        lblClrInfo.setCaption(kNoDesktopPicker);
        break;
    case platform::PickedColour::Failed:
        lblClrInfo.setCaption(kDesktopPickerFailed);
        break;
    }
}

// ---------------------------------------------------------------- slots

void ColorPicker::optClr_Click(std::int16_t index) {
    intSelectedSlot = index;
    ctlClrTimer.Changed();
}

void ColorPicker::picClrSelected_DblClick(std::int16_t index) {
    forms::PictureBox* s = slot(index);
    if (!s) return;
    const QString text = s->ToolTipText();
    form_.clipboard().Clear();
    form_.clipboard().SetText(text);
}

void ColorPicker::picClrSelected_MouseDown(std::int16_t index, int button, int, float, float) {
    if (button != forms::vbRightButton) return;
    const QString pasted = form_.clipboard().GetText();
    const QString text = pasted.left(kMaxSlotText);
    forms::PictureBox* s = slot(index);
    if (!s) return;
    if (index == sampledSlot_) filled_ = false; // the next sample draws it again
    ctlClrTimer.Changed();
    s->setToolTipText(text);
    s->setBackColor(forms::Colour(HexToColor(pasted)));
    s->CurrentX = 0;
    s->CurrentY = kLabelTop;
    const forms::Colour b = s->BackColor();
    s->setForeColor((~b & 0xFF0000) + (~b & 0xFF00) + (~b & 0xFF));
    s->Print(text.toLower());
}

} // namespace picker
