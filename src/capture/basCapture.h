#pragma once

#include "platform/DesktopServices.h"

#include <QImage>

#include <cstdint>

namespace capture {

// The screen's pixels in a rectangle as a picture of exactly width x height;
// what lies off the screen is black. Window 0 means the whole screen.
QImage CaptureScreenArea(platform::DesktopServices& sys, std::uintptr_t window,
                         std::int16_t clientArea, std::int32_t left, std::int32_t top,
                         std::int32_t width, std::int32_t height);

} // namespace capture
