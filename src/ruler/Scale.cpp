#include "Scale.h"

namespace ruler {

namespace {
constexpr float kLongTickStart = 0.5f;   // long tick: outer half of the strip
constexpr float kShortTickStart = 0.75f; // short tick: outer quarter
constexpr float kLabelInset = 0.15f;     // labels start this far across the strip
} // namespace

void DrawScale(forms::PictureBox& picRuler, std::int32_t intOrientation,
               const forms::Screen& Screen) {
    picRuler.Cls();
    const bool horizontal = (intOrientation == 0);
    auto length = [&] { return horizontal ? picRuler.ScaleWidth() : picRuler.ScaleHeight(); };
    auto thickness = [&] { return horizontal ? picRuler.ScaleHeight() : picRuler.ScaleWidth(); };
    auto k = [&] { return horizontal ? Screen.TwipsPerPixelX() : Screen.TwipsPerPixelY(); };

    std::int32_t p = 0;
    std::int32_t n = 0;
    while (length() > float(p)) {
        const float T = thickness();
        const float f = (n % 10 == 0) ? kLongTickStart : kShortTickStart;
        if (horizontal)
            picRuler.Line(float(p), T * f, float(p), T);
        else
            picRuler.Line(T * f, float(p), T, float(p));

        if (n % 20 == 0) {
            const QString label = QString::number(n);
            const float extent =
                horizontal ? picRuler.TextWidth(label) : picRuler.TextHeight(label);
            const std::int32_t h = forms::CInt(double(extent) / double(k()));
            const float across = T * kLabelInset;
            const float along = float((double(n) - double(h) / 2.0) * double(k()));
            if (horizontal) {
                picRuler.CurrentY = across;
                picRuler.CurrentX = along;
            } else {
                picRuler.CurrentX = across;
                picRuler.CurrentY = along;
            }
            picRuler.Print(label);
        }
        p = forms::CInt(double(p) + 2.0 * double(k()));
        n += 2;
    }
}

} // namespace ruler
