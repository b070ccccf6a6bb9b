#include "FormsBase.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPainter>

#include <cstring>

namespace forms {

// ---------------------------------------------------------------- colours

QColor toQColor(Colour c) {
    if (c & 0x80000000u) {
        switch (c & 0xFFu) {
        case 0x05:
            return QColor(255, 255, 255); // window background
        case 0x08:                        // window text
        case 0x12:
            return QColor(0, 0, 0); // button text
        case 0x0F:
            return QColor(240, 240, 240); // button face
        default:
            return QColor(0, 0, 0);
        }
    }
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

Colour fromQColor(const QColor& c) {
    return Colour(c.red()) | (Colour(c.green()) << 8) | (Colour(c.blue()) << 16);
}

int buttonCode(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton:
        return vbLeftButton;
    case Qt::RightButton:
        return vbRightButton;
    case Qt::MiddleButton:
        return vbMiddleButton;
    default:
        return 0;
    }
}

int shiftCode(Qt::KeyboardModifiers m) {
    int s = 0;
    if (m & Qt::ShiftModifier) s |= vbShiftMask;
    if (m & Qt::ControlModifier) s |= vbCtrlMask;
    if (m & Qt::AltModifier) s |= vbAltMask;
    return s;
}

int keyCode(int k) {
    switch (k) {
    case Qt::Key_Left:
        return vbKeyLeft;
    case Qt::Key_Up:
        return vbKeyUp;
    case Qt::Key_Right:
        return vbKeyRight;
    case Qt::Key_Down:
        return vbKeyDown;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_Tab:
        return 9;
    default:
        break;
    }
    if ((k >= Qt::Key_0 && k <= Qt::Key_9) || (k >= Qt::Key_A && k <= Qt::Key_Z)) return k;
    return 0;
}

// ---------------------------------------------------------------- screen

float Screen::TwipsPerPixelX() const {
    const double dpi = sys_.logicalDpiX();
    return dpi > 0 ? float(1440.0 / dpi) : 15.0f;
}
float Screen::TwipsPerPixelY() const {
    const double dpi = sys_.logicalDpiY();
    return dpi > 0 ? float(1440.0 / dpi) : 15.0f;
}
float Screen::Width() const {
    return float(sys_.screenSize().width()) * TwipsPerPixelX();
}
float Screen::Height() const {
    return float(sys_.screenSize().height()) * TwipsPerPixelY();
}

void DoEvents(bool waitForMore) {
    if (waitForMore) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
}

// ---------------------------------------------------------------- images

QFont SmallFont() {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(6.75);
    f.setWeight(QFont::Normal);
    f.setStyleHint(QFont::SansSerif);
    return WithoutShaping(f);
}

QFont WithoutShaping(QFont f) {
    f.setStyleStrategy(QFont::StyleStrategy(f.styleStrategy() | QFont::PreferNoShaping));
    return f;
}

void DefaultFontWithoutShaping() {
    QApplication::setFont(WithoutShaping(QApplication::font()));
}

QImage imageFromText(const char* const* rows, int count,
                     std::initializer_list<std::pair<char, QRgb>> legend) {
    const int w = count > 0 ? int(std::strlen(rows[0])) : 0;
    QImage img(w, count, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    for (int y = 0; y < count; ++y)
        for (int x = 0; x < w && rows[y][x]; ++x)
            for (const auto& [ch, rgb] : legend)
                if (rows[y][x] == ch) img.setPixel(x, y, rgb);
    return img;
}

// ---------------------------------------------------------------- drawing

void DrawOutline(QPainter& p, const QRect& r, const QColor& c) {
    if (r.width() < 2 || r.height() < 2) {
        // Too thin for bands: the stroke decides what such a box shows.
        p.save();
        p.setPen(QPen(c, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.restore();
        return;
    }
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), c);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), c);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), c);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), c);
}

} // namespace forms
