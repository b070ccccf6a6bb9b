#pragma once

// A thin forms layer over Qt Widgets: windows and controls with geometry in
// twips, persistent drawing surfaces, events with mouse button and modifier
// codes, timers, the screen and the clipboard. The window and control handlers
// of the program are written against this layer only.

#include "DesktopServices.h"
#include "Rounding.h"

#include <QCursor>
#include <QFont>
#include <QImage>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

class QTimer;
class QRadioButton;

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

// Base of everything placed on a form: geometry in the container's scale unit.
class Control {
public:
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }
    void setLeft(float v);
    void setTop(float v);
    void setWidth(float v);
    void setHeight(float v);
    void Move(float left, float top, float width, float height);

    bool Visible() const { return visible_; }
    void setVisible(bool v);
    QString ToolTipText() const { return tip_; }
    void setToolTipText(const QString& t);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool e);
    void SetFocus();
    bool HasFocus() const;
    void setTabStopFromClick(bool takesFocusOnClick);

    // Mouse pointer: 0 default, 99 custom (MouseIcon), other values Qt shapes.
    int MousePointer() const { return pointer_; }
    void setMousePointer(int p);
    QCursor MouseIcon() const { return icon_; }
    void setMouseIcon(const QCursor& c);
    void setSystemPointer(Qt::CursorShape shape);

    MouseHandler MouseDown, MouseUp, MouseMove;
    Handler Click, DblClick;
    KeyHandler KeyDown;

    QWidget* widget() const { return widget_; }
    Form& form() const { return form_; }
    Container* container() const { return parent_; }

protected:
    Control(Form& form, Container* parent, QWidget* widget);
    // Conversion of this control's own scale unit to pixels (inner area).
    virtual float unitPerPixelX() const;
    virtual float unitPerPixelY() const;
    void applyGeometry();

private:
    friend class ControlEvents;
    void applyCursor();

    Form& form_;
    Container* parent_;
    QWidget* widget_;
    float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    int pointer_ = 0;
    QCursor icon_;
    QCursor systemCursor_{Qt::ArrowCursor};
    QString tip_;
};

// A control that holds others; its scale unit decides the children's units.
class Container {
public:
    virtual ~Container() = default;
    virtual QWidget* childHost() const = 0;
    virtual float childUnitPerPixelX() const = 0;
    virtual float childUnitPerPixelY() const = 0;
    virtual Form& ownerForm() const = 0;
};

class Shape;

// Picture box: optional flat border, background colour and picture, a
// persistent drawing image with the classic drawing operations.
class PictureBox : public Control, public Container {
public:
    PictureBox(Form& form, Container* parent);

    void setBorderFlat(bool on);
    bool BorderFlat() const { return border_; }
    ScaleMode scaleMode() const { return scale_; }
    void setScaleMode(ScaleMode m) { scale_ = m; }

    Colour BackColor() const { return back_; }
    void setBackColor(Colour c); // erases the drawing
    Colour ForeColor() const { return fore_; }
    void setForeColor(Colour c) { fore_ = c; }
    const QImage& Picture() const { return picture_; }
    void setPicture(const QImage& p); // shows it at the top-left, erases the drawing
    void setAutoSize(bool on) { autoSize_ = on; }
    QFont Font() const { return font_; }
    void setFont(const QFont& f) { font_ = f; }

    float ScaleWidth() const;
    float ScaleHeight() const;
    float CurrentX = 0;
    float CurrentY = 0;

    void Cls();
    // A line from (x1,y1) to (x2,y2), the end point excluded.
    void Line(float x1, float y1, float x2, float y2);
    void Line(float x1, float y1, float x2, float y2, Colour c);
    // The outline of the box whose corner pixels are the two points, the pen
    // centred on its edges (a wider pen reaches outside the box as well).
    void LineBox(float x1, float y1, float x2, float y2, Colour c, int penWidth = 1);
    void Print(const QString& text);
    float TextWidth(const QString& text) const;
    float TextHeight(const QString& text) const;
    Colour Point(float x, float y) const;
    void PaintPicture(const QImage& pic, float x, float y, float w, float h);

    // The persistent image, in pixels, as the box shows it inside its border.
    const QImage& image() const { return image_; }

    // Container.
    QWidget* childHost() const override { return widget(); }
    float childUnitPerPixelX() const override { return unitPerPixelX(); }
    float childUnitPerPixelY() const override { return unitPerPixelY(); }
    Form& ownerForm() const override { return form(); }

    void addShape(Shape* s) { shapes_.push_back(s); }
    void paintOn(QPainter& p); // used by the widget
    void syncImageSize();

protected:
    float unitPerPixelX() const override;
    float unitPerPixelY() const override;

private:
    QPoint toPixel(float x, float y) const;
    int borderPx() const { return border_ ? 1 : 0; }

    bool border_ = false;
    bool autoSize_ = false;
    ScaleMode scale_ = ScaleMode::Twips;
    Colour back_ = vbWindowBackground;
    Colour fore_ = vbWindowText;
    QImage picture_;
    QImage image_;
    QFont font_;
    std::vector<Shape*> shapes_;
};

// Windowless rectangle drawn on its picture box, under the box's child controls.
class Shape {
public:
    explicit Shape(PictureBox& host);
    float Left = 0, Top = 0, Width = 0, Height = 0; // host's scale unit
    bool Visible() const { return visible_; }
    void setVisible(bool v);
    // Draws itself; the outline stays visible on any background.
    void paint(QPainter& p, float unitX, float unitY) const;

private:
    PictureBox& host_;
    bool visible_ = true;
};

class Label : public Control {
public:
    Label(Form& form, Container* parent);
    QString Caption() const { return caption_; }
    void setCaption(const QString& c);
    QFont Font() const { return font_; }
    void setFont(const QFont& f);
    void setTransparent(bool t) { transparent_ = t; }
    void setBackColor(Colour c) { back_ = c; }
    void setForeColor(Colour c) { fore_ = c; }
    void setWordWrap(bool w) { wrap_ = w; }
    void paint(QPainter& p) const;

private:
    QString caption_;
    QFont font_;
    bool transparent_ = true;
    bool wrap_ = false;
    Colour back_ = 0x00C0FFFF;
    Colour fore_ = vbWindowText;
};

class OptionButton : public Control {
public:
    OptionButton(Form& form, Container* parent);
    bool Value() const;
    void setValue(bool on);
    void setBackColor(Colour c);
    void setCaption(const QString& c);
    QRadioButton* button() const;
};

// Timer: raises its Timer handler every Interval milliseconds while enabled.
class Timer {
public:
    Timer(Form& form, int intervalMs, bool enabled);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    bool Enabled() const { return enabled_; }
    void setEnabled(bool e);
    int Interval() const { return interval_; }
    void setInterval(int ms);
    // Raises the handler now; headless tests drive timers through this.
    void Fire();
    Handler Timer_;

private:
    void sync();
    Form& form_;
    QTimer* timer_;
    int interval_;
    bool enabled_;
    bool live_;
};

// Top-level window. Left/Top/Width/Height are the outer geometry in twips and
// this model is authoritative: setting a size raises Form_Resize at once.
class Form : public Container {
public:
    Form(platform::DesktopServices& sys, bool frameless);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    platform::DesktopServices& sys() const { return sys_; }
    Screen& screen() { return screen_; }
    const Screen& screen() const { return screen_; }
    Clipboard& clipboard() { return clipboard_; }

    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }
    void setLeft(float v);
    void setTop(float v);
    void setWidth(float v);
    void setHeight(float v);
    void Move(float left, float top);
    void Move(float left, float top, float width, float height);
    float ScaleWidth() const; // client area in the form's scale unit
    float ScaleHeight() const;

    // Runs Form_Load once.
    void Load();
    bool Loaded() const { return loaded_; }
    // Loads if needed, shows modeless and activates.
    void Show();
    void Hide();
    bool Visible() const;
    void SetFocus();
    // Raises Form_QueryUnload and, unless cancelled, Form_Unload; true when
    // the form was unloaded.
    bool Unload(int mode = vbFormCode);

    Colour BackColor() const { return back_; }
    void setBackColor(Colour c);
    void setIcon(const QIcon& icon);
    QIcon Icon() const { return icon_; }

    QWidget* window() const { return window_; }
    QWidget* client() const { return client_; }
    // Frame width in pixels on every side.
    int framePx() const { return frame_ ? 1 : 0; }

    // Container: the form's children are in twips of the client area.
    QWidget* childHost() const override { return client_; }
    float childUnitPerPixelX() const override { return screen_.TwipsPerPixelX(); }
    float childUnitPerPixelY() const override { return screen_.TwipsPerPixelY(); }
    Form& ownerForm() const override { return const_cast<Form&>(*this); }

    // Events of the form's own surface.
    virtual void Form_Load() {}
    virtual void Form_Resize() {}
    virtual void Form_QueryUnload(int& cancel, int unloadMode) {
        (void)cancel;
        (void)unloadMode;
    }
    virtual void Form_Unload(int& cancel) { (void)cancel; }
    virtual void Form_MouseDown(int button, int shift, float x, float y) {
        (void)button, (void)shift, (void)x, (void)y;
    }
    virtual void Form_MouseUp(int button, int shift, float x, float y) {
        (void)button, (void)shift, (void)x, (void)y;
    }
    virtual void Form_MouseMove(int button, int shift, float x, float y) {
        (void)button, (void)shift, (void)x, (void)y;
    }
    virtual void Form_Click() {}
    virtual void Form_DblClick() {}
    virtual void Form_KeyDown(int keyCode, int shift) { (void)keyCode, (void)shift; }
    // The window became visible (after the first Form_Resize on first show).
    virtual void Form_Shown() {}

    // Screen pixel of the mouse event being handled (the press, move or
    // release itself, not where the pointer is by now).
    QPoint MouseEventScreenPos() const { return mouseEventScreenPos_; }
    void setMouseEventScreenPos(const QPoint& p) { mouseEventScreenPos_ = p; }

    // Called by the window when the window system moved it.
    void windowMovedTo(const QPoint& px);
    // A close request from the window system (unload mode 0 by default).
    virtual void windowClosedBySystem();

protected:
    // The size a form has before anything is shown, without a Resize event.
    void setDesignSize(float width, float height);

private:
    void applyPosition();
    void applySize();

    platform::DesktopServices& sys_;
    Screen screen_;
    Clipboard clipboard_;
    QWidget* window_;
    QWidget* client_;
    bool frame_;
    bool loaded_ = false;
    bool shownOnce_ = false;
    float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    Colour back_ = vbWindowBackground;
    QIcon icon_;
    QPoint mouseEventScreenPos_;
};

// The small sans-serif face the window's labels and the scale use, at 6.75 pt.
QFont SmallFont();

// Image from rows of pixel text: each character is looked up in the legend.
QImage imageFromText(const char* const* rows, int count,
                     std::initializer_list<std::pair<char, QRgb>> legend);

} // namespace forms
