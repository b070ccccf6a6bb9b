#pragma once

#include "platform/DesktopServices.h"

#include <QImage>
#include <QList>
#include <QRgb>

#include <cstdint>

namespace capture {

// The pixels of a rectangle as a picture of exactly width x height; what lies
// off the screen is black. Window 0 means the whole screen, any other value is
// a QWidget* whose client area (clientArea != 0) or whole window the left/top
// coordinates are relative to. A size that is not positive gives no picture
// (a null image).
QImage CaptureScreenArea(platform::DesktopServices& sys, std::uintptr_t window,
                         std::int16_t clientArea, std::int32_t left, std::int32_t top,
                         std::int32_t width, std::int32_t height);

// The picture the picture boxes draw and stretch, made from a captured bitmap
// and, for an indexed bitmap from a palette display, its palette. The picture
// is a value: replacing it frees the old one with its palette.
QImage CreatePictureFromBitmap(const QImage& bitmap, const QList<QRgb>& palette);

} // namespace capture
