#pragma once

#include "platform/Forms.h"

#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace picker {

// The 32 x 32 crosshair of the grab button; its centre dot is pixel (15, 15).
QImage CrosshairImage();

// The colour-picker panel: magnified sample with its grab button and marker,
// eight colour slots with their option buttons, the help label and the
// sampling timer. Built into the panel container the ruler window provides.
class ColorPicker {
public:
    ColorPicker(forms::Form& form, forms::PictureBox& picClrFrame);

    forms::PictureBox picClrScreen;
    forms::PictureBox picGrabber;
    forms::Shape shpCursor;
    std::array<std::unique_ptr<forms::PictureBox>, 8> picClrSelected;
    std::array<std::unique_ptr<forms::OptionButton>, 8> optClr;
    forms::Label lblClrInfo;
    forms::Timer ctlClrTimer;

    std::int32_t intSelectedSlot = 0;
    std::int16_t blnGrabReleased = 0;

    void SetGrabMode(std::int16_t enter);
    void picGrabber_MouseDown(int button, int shift, float x, float y);
    void picGrabber_MouseUp(int button, int shift, float x, float y);
    // Where capture is blind: the desktop's own picker fills the selected
    // slot instead of a grab.
    void PickFromDesktop();
    void DesktopPick_Done(const platform::PickedColour& answer);
    bool desktopPickOpen() const { return pickOpen_; }
    void ctlClrTimer_Timer();
    void optClr_Click(std::int16_t index);
    void picClrSelected_DblClick(std::int16_t index);
    void picClrSelected_MouseDown(std::int16_t index, int button, int shift, float x, float y);

    // (tab index, widget) of every control that takes part in the tab order.
    std::vector<std::pair<int, QWidget*>> tabStops() const;

private:
    // Element `index` of picClrSelected, or nullptr outside 0 to 7.
    forms::PictureBox* slot(std::int32_t index) const;
    // Steps of a sampling tick from the captured picture on: the magnified
    // view, the colour read at its centre and the selected slot.
    void show(const QImage& picture);
    // Colour, text and contrast label of a sampled colour into the slot.
    static void fillSlot(forms::PictureBox& target, forms::Colour c);
    void setDrawnOver(bool on);

    bool pickOpen_ = false;
    // Answers that arrive after the panel is gone are dropped.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);

    forms::Form& form_;
    // What the last tick showed, so a tick with nothing new draws nothing.
    bool sampled_ = false;
    std::int32_t sampledSlot_ = 0;
    bool filled_ = false; // that slot shows sampledColour_ as a sample filled it
    forms::Colour sampledColour_ = 0;
    QRect sampledSquare_;
};

} // namespace picker
