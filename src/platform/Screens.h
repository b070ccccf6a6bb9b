#pragma once

#include <QPoint>
#include <QRect>

#include <vector>

namespace platform {

// The screen that holds `p`; where no screen holds it (a gap between screens
// of different sizes) the nearest one. An empty rectangle without screens.
QRect ScreenHolding(const std::vector<QRect>& screens, QPoint p);

// Whether any pixel of `r` lies on one of the screens.
bool OnAnyScreen(const std::vector<QRect>& screens, const QRect& r);

} // namespace platform
