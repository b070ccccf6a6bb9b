#include "basCapture.h"

#include <QWidget>

#include <limits>

namespace capture {

namespace {

// A palette display keeps 256 entries; any other size is no palette to copy.
constexpr int kPaletteSize = 256;

bool fitsInt(std::int64_t v) {
    return v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
}

// Top-left corner of the window's client area or of its frame, in screen pixels.
QPoint windowOrigin(std::uintptr_t window, bool clientArea) {
    const auto* w = reinterpret_cast<const QWidget*>(window);
    if (clientArea) return w->mapToGlobal(QPoint(0, 0));
    return w->window()->frameGeometry().topLeft();
}

} // namespace

QImage CaptureScreenArea(platform::DesktopServices& sys, std::uintptr_t window,
                         std::int16_t clientArea, std::int32_t left, std::int32_t top,
                         std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) return QImage();
    const QPoint origin = window ? windowOrigin(window, clientArea != 0) : QPoint(0, 0);
    // The far corner has to be representable; such a rectangle lies wholly off
    // any screen anyway.
    const std::int64_t x = std::int64_t(origin.x()) + left, y = std::int64_t(origin.y()) + top;
    if (!fitsInt(x) || !fitsInt(y) || !fitsInt(x + width) || !fitsInt(y + height)) {
        QImage black(width, height, QImage::Format_RGB32);
        if (!black.isNull()) black.fill(Qt::black);
        return black;
    }
    const QImage bitmap = sys.captureScreen(QRect(int(x), int(y), width, height));

    // The system palette is copied only from a 256-colour palette display.
    // Qt hands captures of a true-colour display over as RGB pixels, which
    // carry their colours themselves: then no palette is made at all.
    QList<QRgb> palette;
    if (bitmap.format() == QImage::Format_Indexed8 && bitmap.colorCount() == kPaletteSize)
        palette = bitmap.colorTable();
    return CreatePictureFromBitmap(bitmap, palette);
}

QImage CreatePictureFromBitmap(const QImage& bitmap, const QList<QRgb>& palette) {
    if (bitmap.isNull()) return QImage();
    QImage indexed = bitmap;
    if (!palette.isEmpty() && indexed.format() == QImage::Format_Indexed8)
        indexed.setColorTable(palette);
    // Picture boxes stretch and read RGB pixels; an image shares its pixels
    // by reference count, so nothing outlives the picture that holds it.
    if (indexed.format() == QImage::Format_RGB32) return indexed;
    return indexed.convertToFormat(QImage::Format_RGB32);
}

} // namespace capture
