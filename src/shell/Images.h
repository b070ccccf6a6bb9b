#pragma once

#include <QCursor>
#include <QIcon>
#include <QImage>

namespace shell {

// 9 x 9 button images, black on white.
QImage CloseImage();
QImage LinealImage();
QImage ColorImage();
QImage ZoomImage();
QImage ResizeHImage();
QImage ResizeVImage();
QImage OnTopInactiveImage(); // boxed minus: shown while on top
QImage OnTopActiveImage();   // boxed plus: shown while not on top

// 16 x 16 ruler icon of the window and the notification area.
QImage RulerIconImage();
QIcon RulerIcon();

// Pointers of the scale strip: a hairline across the ruler with an arrow head.
QCursor HorizontalRulerCursor(); // vertical line, for a horizontal ruler
QCursor VerticalRulerCursor();   // horizontal line, for a vertical ruler
QImage HorizontalRulerCursorImage();
QImage VerticalRulerCursorImage();

} // namespace shell
