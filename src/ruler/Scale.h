#pragma once

#include "platform/Forms.h"

#include <cstdint>

namespace ruler {

// Paints the pixel scale on the strip: a short tick every 2 pixels, a long one
// every 10, a centred number every 20 (every 40, 100, ... pixels for numbers
// too long for that, so no two ever touch). Horizontal for orientation 0,
// vertical for any other value. Each step is rounded on its own at fractional
// twips per pixel, while labels sit at the exact position of their pixel.
void DrawScale(forms::PictureBox& picRuler, std::int32_t intOrientation,
               const forms::Screen& Screen);

} // namespace ruler
