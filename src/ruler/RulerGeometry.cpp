#include "RulerGeometry.h"

#include "platform/Forms.h"

#include <cmath>

namespace ruler {

double CursorDistance(std::int32_t intOrientation, QPoint cursor, float left, float top,
                      float twipsPerPixelX, float twipsPerPixelY) {
    // Counted from the pixel the edge stands on: twips per pixel is a
    // fraction at many DPIs (8.5714... at 168), where subtracting twips and
    // dividing again would leave 194.99999 for 195.
    if (intOrientation != 0)
        return double(cursor.y()) - double(forms::CInt(double(top) / double(twipsPerPixelY)));
    return double(cursor.x()) - double(forms::CInt(double(left) / double(twipsPerPixelX)));
}

QString NumberText(double v) {
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15)
        return QString::number(static_cast<long long>(v));
    return QString::number(v, 'g', 15);
}

float GripLength(int cursorPixel, float twipsPerPixel, float origin) {
    return float(double(twipsPerPixel) * cursorPixel - double(origin));
}

KeyMove ArrowKeyMove(int keyCode, int shift, float twipsPerPixelX, float twipsPerPixelY) {
    const float step = (shift == forms::vbShiftMask) ? 10.0f : 1.0f;
    KeyMove m;
    switch (keyCode) {
    case forms::vbKeyLeft:
        m.dLeft = -step * twipsPerPixelX;
        break;
    case forms::vbKeyUp:
        m.dTop = -step * twipsPerPixelY;
        break;
    case forms::vbKeyRight:
        m.dLeft = step * twipsPerPixelX;
        break;
    case forms::vbKeyDown:
        m.dTop = step * twipsPerPixelY;
        break;
    default:
        break;
    }
    return m;
}

} // namespace ruler
