#include "basCapture.h"

namespace capture {

// TODO(picker): window-relative capture.
QImage CaptureScreenArea(platform::DesktopServices& sys, std::uintptr_t window,
                         std::int16_t clientArea, std::int32_t left, std::int32_t top,
                         std::int32_t width, std::int32_t height) {
    (void)window;
    (void)clientArea;
    if (width <= 0 || height <= 0) return QImage();
    return sys.captureScreen(QRect(left, top, width, height));
}

} // namespace capture
