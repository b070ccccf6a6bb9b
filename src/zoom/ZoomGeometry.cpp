#include "ZoomGeometry.h"

#include "platform/Rounding.h"

namespace zoom {

using forms::CInt;
using forms::IntDiv;

int SourceSide(std::int32_t n) {
    if (n < 1) n = 1;
    return CInt(double(kSourceSide) / double(n));
}

QString CoordCaption(QPoint cursor, std::int32_t n) {
    // 64-bit product: a level above kMaxZoomLevel must not wrap into a
    // negative figure.
    const qint64 figure = qint64(kSourceSide) * n;
    // Appended into one buffer: a chain of arg() scans and copies the text
    // once per figure, 100 times a second.
    QString out;
    out.reserve(48);
    out.append(QLatin1String("  X = ")).append(QString::number(cursor.x()));
    out.append(QLatin1String("  Y = ")).append(QString::number(cursor.y()));
    out.append(QLatin1String("  Zoom = x")).append(QString::number(figure));
    return out;
}

std::int32_t StepZoomLevel(std::int32_t n, int notch) {
    if (notch > 0) return n < kMaxZoomLevel ? n + 1 : kMaxZoomLevel;
    if (notch < 0) return n > 1 ? n - 1 : 1;
    return n;
}

Placement PlaceBesideCursor(QPoint cursor, const QRect& screen, float windowWidth,
                            float windowHeight, float twipsPerPixelX, float twipsPerPixelY) {
    // The room tests work in whole pixels within the screen, each operand
    // rounded before the division, the screen's size taken in twips as on a
    // single screen; the sums are 64-bit so no cursor position can overflow
    // them.
    const qint64 wpx = IntDiv(float(screen.width()) * twipsPerPixelX, twipsPerPixelX);
    const qint64 hpx = IntDiv(float(screen.height()) * twipsPerPixelY, twipsPerPixelY);
    const qint64 x = qint64(cursor.x()) - screen.x();
    const qint64 y = qint64(cursor.y()) - screen.y();
    Placement p;
    p.right =
        qint64(IntDiv(windowWidth, twipsPerPixelX)) + x + IntDiv(kCursorGap, twipsPerPixelX) > wpx;
    p.bottom =
        qint64(IntDiv(windowHeight, twipsPerPixelY)) + y + IntDiv(kCursorGap, twipsPerPixelY) > hpx;
    // The position itself is in twips, computed in floating point and then
    // rounded to a whole twip.
    const double tx = double(twipsPerPixelX) * cursor.x();
    const double ty = double(twipsPerPixelY) * cursor.y();
    p.left = float(CInt(p.right ? tx - (double(windowWidth) + kCursorGap) : tx + kCursorGap));
    p.top = float(CInt(p.bottom ? ty - (double(windowHeight) + kCursorGap) : ty + kCursorGap));
    return p;
}

} // namespace zoom
