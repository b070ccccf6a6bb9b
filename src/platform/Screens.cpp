#include "Screens.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace platform {

namespace {

// Squared distance from p to the nearest pixel of r, in 64 bits so that no
// coordinate can overflow it.
std::int64_t DistanceSquared(const QRect& r, QPoint p) {
    const std::int64_t dx = std::max<std::int64_t>(
        {std::int64_t(r.left()) - p.x(), 0, std::int64_t(p.x()) - r.right()});
    const std::int64_t dy = std::max<std::int64_t>(
        {std::int64_t(r.top()) - p.y(), 0, std::int64_t(p.y()) - r.bottom()});
    return dx * dx + dy * dy;
}

} // namespace

QRect ScreenHolding(const std::vector<QRect>& screens, QPoint p) {
    QRect best;
    std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
    for (const QRect& s : screens) {
        if (s.isEmpty()) continue;
        if (s.contains(p)) return s;
        const std::int64_t d = DistanceSquared(s, p);
        if (d < bestDistance) {
            bestDistance = d;
            best = s;
        }
    }
    return best;
}

bool OnAnyScreen(const std::vector<QRect>& screens, const QRect& r) {
    return std::any_of(screens.begin(), screens.end(),
                       [&](const QRect& s) { return s.intersects(r); });
}

} // namespace platform
