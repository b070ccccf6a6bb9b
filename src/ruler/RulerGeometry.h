#pragma once

#include <QPoint>
#include <QString>

#include <cstdint>

namespace ruler {

// Layout of the ruler window, in twips.
constexpr float kThickness = 915;      // window thickness in both orientations
constexpr float kGapAfterClose = 30;   // close button -> topmost button
constexpr float kGapAfterOnTop = 90;   // topmost button -> ruler-panel button
constexpr float kGapAfterLineal = 30;  // ruler-panel button -> picker button
constexpr float kGapAfterColor = 30;   // picker button -> zoom button
constexpr float kGapAfterZoom = 90;    // zoom button -> pixel label
constexpr float kStripOffset = 390;    // scale strip, from the button side
constexpr float kStripThickness = 495; // scale strip thickness
constexpr float kGripEndGap = 60;      // grip ends this far before the far end

// Shortest length the grip may give: the grip stays clear of the zoom button
// and the buttons, so it can always be caught again.
constexpr float kMinLength = 1350;

// Distance of the cursor from the window's outer leading edge, in whole
// pixels: the 0 mark of the scale (one pixel inside the frame) reads 1.
double CursorDistance(std::int32_t intOrientation, QPoint cursor, float left, float top,
                      float twipsPerPixelX, float twipsPerPixelY);

// Number as plain decimal text with a leading "-" and no blank.
QString NumberText(double v);

// New length while dragging the grip: the far edge under the cursor.
float GripLength(int cursorPixel, float twipsPerPixel, float origin);

// Window move of an arrow key (codes 37 to 40); Shift alone moves ten pixels.
struct KeyMove {
    float dLeft = 0;
    float dTop = 0;
};
KeyMove ArrowKeyMove(int keyCode, int shift, float twipsPerPixelX, float twipsPerPixelY);

} // namespace ruler
