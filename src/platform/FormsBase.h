#pragma once

// Basics of the forms layer: colour values, mouse, key and unload codes, the
// screen's metrics, the clipboard, and small helpers for fonts and images.

#include "DesktopServices.h"
#include "Rounding.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

#include <cstdint>
#include <functional>

class QPainter;

namespace forms {

// Colour value 0x00BBGGRR; a value with the top bit set names a system colour.
using Colour = std::uint32_t;
constexpr Colour vbWindowBackground = 0x80000005;
constexpr Colour vbWindowText = 0x80000008;
constexpr Colour vbButtonText = 0x80000012;

QColor toQColor(Colour c);
Colour fromQColor(const QColor& c);

// Mouse buttons and modifier states as the handlers receive them.
constexpr int vbLeftButton = 1;
constexpr int vbRightButton = 2;
constexpr int vbMiddleButton = 4;
constexpr int vbShiftMask = 1;
constexpr int vbCtrlMask = 2;
constexpr int vbAltMask = 4;

// Key codes used by the handlers.
constexpr int vbKeyLeft = 37;
constexpr int vbKeyUp = 38;
constexpr int vbKeyRight = 39;
constexpr int vbKeyDown = 40;

int buttonCode(Qt::MouseButton b);
int shiftCode(Qt::KeyboardModifiers m);
int keyCode(int qtKey);

// Unload modes of a close request.
constexpr int vbFormControlMenu = 0; // a close command from the window system
constexpr int vbFormCode = 1;        // the program's own Unload
constexpr int vbAppWindows = 2;      // the desktop session is ending
constexpr int vbAppTaskManager = 3;  // a task list closes the application

enum class ScaleMode { Twips, Pixels };

// Screen metrics: twips per pixel come from the display's logical DPI.
class Screen {
public:
    explicit Screen(platform::DesktopServices& sys) : sys_(sys) {}
    float TwipsPerPixelX() const;
    float TwipsPerPixelY() const;
    float Width() const;  // twips
    float Height() const; // twips

private:
    platform::DesktopServices& sys_;
};

// Plain-text clipboard.
class Clipboard {
public:
    explicit Clipboard(platform::DesktopServices& sys) : sys_(sys) {}
    void Clear() { sys_.setClipboardText(QString()); }
    void SetText(const QString& t) { sys_.setClipboardText(t); }
    QString GetText() const { return sys_.clipboardText(); }

private:
    platform::DesktopServices& sys_;
};

// Runs pending events inside the current handler. With waitForMore it first
// sleeps until at least one event arrives, so a polling loop costs no processor.
void DoEvents(bool waitForMore = false);

class Form;
class Container;

// Mouse and key handlers; a control array wires its index in when connecting.
using MouseHandler = std::function<void(int button, int shift, float x, float y)>;
using KeyHandler = std::function<void(int keyCode, int shift)>;
using Handler = std::function<void()>;

// The small sans-serif face the window's labels and the scale use, at 6.75 pt.
QFont SmallFont();

// The font, laying out text from the font's own advances and kerning pairs:
// the program's texts are Latin, which needs no OpenType shaping, and
// without it the shaping tables of a font are never read (Liberation Sans
// holds 76 KB of them, copied to the heap once it is shaped). Scripts that
// need shaping are still shaped.
QFont WithoutShaping(QFont f);
// The same for the toolkit's default font, which tooltips use.
void DefaultFontWithoutShaping();

// The one-pixel outline along the edge pixels of `r`, the same pixels as a
// one-pixel pen's drawRect(r.adjusted(0, 0, -1, -1)), from four filled bands:
// a stroked rectangle costs the paint engine many times more.
void DrawOutline(QPainter& p, const QRect& r, const QColor& c);

// Image from rows of pixel text: each character is looked up in the legend.
QImage imageFromText(const char* const* rows, int count,
                     std::initializer_list<std::pair<char, QRgb>> legend);

} // namespace forms
