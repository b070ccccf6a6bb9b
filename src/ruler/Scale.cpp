#include "Scale.h"

#include "ScaleFace.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace ruler {

namespace {
constexpr float kLongTickStart = 0.5f;   // long tick: outer half of the strip
constexpr float kShortTickStart = 0.75f; // short tick: outer quarter
constexpr float kLabelInset = 0.15f;     // labels start this far across the strip
constexpr std::int32_t kLabelEvery = 20; // pixels between labels where they fit
// Where 20 pixels cannot hold a label, labels of its length stand on the
// first of these steps that can; all are multiples of 20, so every label
// still sits on a long tick.
constexpr std::int32_t kWiderSteps[] = {40, 100, 200, 500, 1000, 2000, 5000, 10000, 20000};
// Clear face pixels between two labels: twice the gap between two digits,
// so neighbours read as two numbers.
constexpr int kLabelClearance = 2;

std::int32_t labelStep(int extent, int clearance) {
    if (extent + clearance <= kLabelEvery) return kLabelEvery;
    for (std::int32_t step : kWiderSteps)
        if (extent + clearance <= step) return step;
    return kWiderSteps[std::size(kWiderSteps) - 1];
}
} // namespace

void DrawScale(forms::PictureBox& picRuler, std::int32_t intOrientation,
               const forms::Screen& Screen) {
    picRuler.Cls();
    const bool horizontal = (intOrientation == 0);
    auto length = [&] { return horizontal ? picRuler.ScaleWidth() : picRuler.ScaleHeight(); };
    auto thickness = [&] { return horizontal ? picRuler.ScaleHeight() : picRuler.ScaleWidth(); };
    auto k = [&] { return horizontal ? Screen.TwipsPerPixelX() : Screen.TwipsPerPixelY(); };

    // Ticks first; the pixels that may carry a label are collected on the way.
    std::vector<std::int32_t> labelled;
    std::int32_t p = 0;
    std::int32_t n = 0;
    while (length() > float(p)) {
        const float T = thickness();
        const float f = (n % 10 == 0) ? kLongTickStart : kShortTickStart;
        if (horizontal)
            picRuler.Line(float(p), T * f, float(p), T);
        else
            picRuler.Line(T * f, float(p), T, float(p));
        if (n % kLabelEvery == 0) labelled.push_back(n);
        p = forms::CInt(double(p) + 2.0 * double(k()));
        n += 2;
    }

    // Labels, each centred on its pixel. Walking back from the far end, a
    // label too close to the next one drawn is left out, so where the step
    // widens the round number on the wider step keeps its label.
    const float kk = k();
    const int scale = LabelFaceScale(kk);
    const int clearance = kLabelClearance * scale;
    const QRgb ink = forms::toQColor(picRuler.ForeColor()).rgb();
    std::int32_t nextStart = INT_MAX; // first pixel of the label drawn after this one
    for (auto it = labelled.rbegin(); it != labelled.rend(); ++it) {
        const std::int32_t at = *it;
        const QString label = QString::number(at);
        const QSize size = LabelSize(int(label.size()), scale);
        const int h = horizontal ? size.width() : size.height(); // extent along, whole pixels
        if (at % labelStep(h, clearance) != 0) continue;
        const float along = float((double(at) - double(h) / 2.0) * double(kk));
        const std::int32_t start = forms::CInt(along / kk);
        if (nextStart != INT_MAX && std::int64_t(nextStart) - (start + h) < clearance) continue;
        nextStart = start;

        // Labels are never turned, so on a vertical strip a long one would
        // run into its own long tick: it moves back from the tick as far as
        // the strip allows.
        float across = thickness() * kLabelInset;
        if (!horizontal) {
            const int tickFrom = forms::CInt(thickness() * kLongTickStart / kk);
            const float room = float(tickFrom - clearance / 2 - size.width()) * kk;
            across = std::max(0.0f, std::min(across, room));
        }
        const float x = horizontal ? along : across;
        const float y = horizontal ? across : along;
        picRuler.PaintPicture(LabelImage(label, scale, ink), x, y, float(size.width()) * kk,
                              float(size.height()) * kk);
    }
}

} // namespace ruler
