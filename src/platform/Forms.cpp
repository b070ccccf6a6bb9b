#include "Forms.h"

#include <QApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>

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

// ---------------------------------------------------------------- event plumbing

// Translates Qt's input events on a control's widget into the control's
// handlers, with the classic press/release/click/double-click order.
class ControlEvents {
public:
    static void press(Control& c, QMouseEvent* e, bool dbl) {
        c.form().setMouseEventScreenPos(e->globalPosition().toPoint());
        const int b = buttonCode(e->button());
        if (b == 0) return;
        if (dbl && b == vbLeftButton && c.DblClick) {
            c.DblClick();
            return;
        }
        if (c.MouseDown) c.MouseDown(b, shiftCode(e->modifiers()), x(c, e), y(c, e));
        // A control that hid itself in its press handler still gets the
        // release: the nearest visible container takes the mouse grab.
        if (!c.widget()->isVisible()) {
            for (QWidget* w = c.widget()->parentWidget(); w; w = w->parentWidget()) {
                if (w->isVisible()) {
                    w->grabMouse(w->cursor());
                    setCaptured(w, &c);
                    break;
                }
            }
        }
    }
    static void release(Control& c, QMouseEvent* e) {
        c.form().setMouseEventScreenPos(e->globalPosition().toPoint());
        const int b = buttonCode(e->button());
        if (b == 0) return;
        if (c.MouseUp) c.MouseUp(b, shiftCode(e->modifiers()), x(c, e), y(c, e));
        if (b == vbLeftButton && c.Click && c.widget()->rect().contains(e->position().toPoint()))
            c.Click();
    }
    static void move(Control& c, QMouseEvent* e) {
        c.form().setMouseEventScreenPos(e->globalPosition().toPoint());
        if (c.MouseMove)
            c.MouseMove(buttonCode(e->buttons() & Qt::LeftButton     ? Qt::LeftButton
                                   : e->buttons() & Qt::RightButton  ? Qt::RightButton
                                   : e->buttons() & Qt::MiddleButton ? Qt::MiddleButton
                                                                     : Qt::NoButton),
                        shiftCode(e->modifiers()), x(c, e), y(c, e));
    }
    // Routes a release that reached a grabbing container to the control that
    // took the press. Returns true when it was handled.
    static bool releaseCaptured(QWidget* w, QMouseEvent* e) {
        Control* c = captured(w);
        if (!c) return false;
        if (e->buttons() == Qt::NoButton) {
            setCaptured(w, nullptr);
            w->releaseMouse();
        }
        const int b = buttonCode(e->button());
        if (b && c->MouseUp) c->MouseUp(b, shiftCode(e->modifiers()), 0, 0);
        return true;
    }
    static void key(Control& c, QKeyEvent* e) {
        if (c.KeyDown) c.KeyDown(keyCode(e->key()), shiftCode(e->modifiers()));
    }

private:
    // The control whose release a grabbing container forwards, kept on the
    // container itself.
    static constexpr const char* kCaptured = "formsCapturedControl";
    static Control* captured(QWidget* w) {
        return static_cast<Control*>(w->property(kCaptured).value<void*>());
    }
    static void setCaptured(QWidget* w, Control* c) {
        w->setProperty(kCaptured, c ? QVariant::fromValue<void*>(c) : QVariant());
    }
    static float x(Control& c, QMouseEvent* e) {
        return float(e->position().x()) * c.unitPerPixelX();
    }
    static float y(Control& c, QMouseEvent* e) {
        return float(e->position().y()) * c.unitPerPixelY();
    }
};

namespace {

class ControlWidget : public QWidget {
public:
    ControlWidget(QWidget* parent) : QWidget(parent) {}
    Control* control = nullptr;
    std::function<void(QPainter&)> painter;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!painter) return;
        QPainter p(this);
        painter(p);
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (control) ControlEvents::press(*control, e, false);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (control) ControlEvents::press(*control, e, true);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (ControlEvents::releaseCaptured(this, e)) return;
        if (control) ControlEvents::release(*control, e);
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (control) ControlEvents::move(*control, e);
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (control && control->KeyDown) {
            ControlEvents::key(*control, e);
            return;
        }
        QWidget::keyPressEvent(e);
    }
};

class RadioWidget : public QRadioButton {
public:
    RadioWidget(QWidget* parent) : QRadioButton(parent) {}
};

// The top-level window: paints the one-pixel frame and reports moves and
// close requests to its form.
class FormWindow : public QWidget {
public:
    FormWindow(Form& f, Qt::WindowFlags flags) : QWidget(nullptr, flags), form(f) {}
    Form& form;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), toQColor(form.BackColor()));
        if (form.framePx()) {
            p.setPen(QColor(0, 0, 0));
            p.drawRect(rect().adjusted(0, 0, -1, -1));
        }
    }
    void moveEvent(QMoveEvent* e) override { form.windowMovedTo(e->pos()); }
    void closeEvent(QCloseEvent* e) override {
        e->ignore();
        form.windowClosedBySystem();
    }
};

// The client area: the form's own mouse and key events.
class ClientWidget : public QWidget {
public:
    ClientWidget(Form& f, QWidget* parent) : QWidget(parent), form(f) {}
    Form& form;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), toQColor(form.BackColor()));
    }
    float tx(QMouseEvent* e) const {
        return float(e->position().x()) * form.screen().TwipsPerPixelX();
    }
    float ty(QMouseEvent* e) const {
        return float(e->position().y()) * form.screen().TwipsPerPixelY();
    }
    void mousePressEvent(QMouseEvent* e) override {
        form.setMouseEventScreenPos(e->globalPosition().toPoint());
        const int b = buttonCode(e->button());
        if (b) form.Form_MouseDown(b, shiftCode(e->modifiers()), tx(e), ty(e));
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        const int b = buttonCode(e->button());
        if (b == vbLeftButton)
            form.Form_DblClick();
        else if (b)
            form.Form_MouseDown(b, shiftCode(e->modifiers()), tx(e), ty(e));
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        form.setMouseEventScreenPos(e->globalPosition().toPoint());
        if (ControlEvents::releaseCaptured(this, e)) return;
        const int b = buttonCode(e->button());
        if (!b) return;
        form.Form_MouseUp(b, shiftCode(e->modifiers()), tx(e), ty(e));
        if (b == vbLeftButton && rect().contains(e->position().toPoint())) form.Form_Click();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        form.setMouseEventScreenPos(e->globalPosition().toPoint());
        const Qt::MouseButtons bs = e->buttons();
        const int b = (bs & Qt::LeftButton)     ? vbLeftButton
                      : (bs & Qt::RightButton)  ? vbRightButton
                      : (bs & Qt::MiddleButton) ? vbMiddleButton
                                                : 0;
        form.Form_MouseMove(b, shiftCode(e->modifiers()), tx(e), ty(e));
    }
    void keyPressEvent(QKeyEvent* e) override {
        form.Form_KeyDown(keyCode(e->key()), shiftCode(e->modifiers()));
    }
};

} // namespace

// ---------------------------------------------------------------- control

Control::Control(Form& form, Container* parent, QWidget* widget)
    : form_(form), parent_(parent), widget_(widget) {
    if (auto* cw = dynamic_cast<ControlWidget*>(widget_)) cw->control = this;
    widget_->setFocusPolicy(Qt::NoFocus);
    widget_->show();
}

Control::~Control() = default;

float Control::unitPerPixelX() const {
    return form_.screen().TwipsPerPixelX();
}
float Control::unitPerPixelY() const {
    return form_.screen().TwipsPerPixelY();
}

void Control::applyGeometry() {
    const float ux = parent_ ? parent_->childUnitPerPixelX() : 1.0f;
    const float uy = parent_ ? parent_->childUnitPerPixelY() : 1.0f;
    const int x = CInt(left_ / ux), y = CInt(top_ / uy);
    const int w = std::max(0, CInt(width_ / ux)), h = std::max(0, CInt(height_ / uy));
    widget_->setGeometry(x, y, w, h);
    if (auto* pb = dynamic_cast<PictureBox*>(this)) pb->syncImageSize();
}

void Control::setLeft(float v) {
    left_ = v;
    applyGeometry();
}
void Control::setTop(float v) {
    top_ = v;
    applyGeometry();
}
void Control::setWidth(float v) {
    width_ = v;
    applyGeometry();
}
void Control::setHeight(float v) {
    height_ = v;
    applyGeometry();
}
void Control::Move(float l, float t, float w, float h) {
    left_ = l, top_ = t, width_ = w, height_ = h;
    applyGeometry();
}

void Control::setVisible(bool v) {
    visible_ = v;
    widget_->setVisible(v);
}

void Control::setToolTipText(const QString& t) {
    tip_ = t;
    widget_->setToolTip(t);
}

void Control::setEnabled(bool e) {
    enabled_ = e;
    widget_->setEnabled(e);
}

void Control::SetFocus() {
    widget_->setFocus(Qt::OtherFocusReason);
}
bool Control::HasFocus() const {
    return widget_->hasFocus();
}

void Control::setTabStopFromClick(bool takesFocusOnClick) {
    widget_->setFocusPolicy(takesFocusOnClick ? Qt::StrongFocus : Qt::TabFocus);
}

void Control::setMousePointer(int p) {
    pointer_ = p;
    applyCursor();
}
void Control::setMouseIcon(const QCursor& c) {
    icon_ = c;
    applyCursor();
}
void Control::setSystemPointer(Qt::CursorShape shape) {
    systemCursor_ = QCursor(shape);
    applyCursor();
}
void Control::applyCursor() {
    if (pointer_ == 99)
        widget_->setCursor(icon_);
    else if (pointer_ == 0)
        widget_->setCursor(systemCursor_);
    else
        widget_->setCursor(systemCursor_);
}

// ---------------------------------------------------------------- picture box

PictureBox::PictureBox(Form& form, Container* parent)
    : Control(form, parent, new ControlWidget(parent->childHost())) {
    static_cast<ControlWidget*>(widget())->painter = [this](QPainter& p) { paintOn(p); };
    widget()->setAttribute(Qt::WA_OpaquePaintEvent);
}

float PictureBox::unitPerPixelX() const {
    return scale_ == ScaleMode::Pixels ? 1.0f : form().screen().TwipsPerPixelX();
}
float PictureBox::unitPerPixelY() const {
    return scale_ == ScaleMode::Pixels ? 1.0f : form().screen().TwipsPerPixelY();
}

void PictureBox::setBorderFlat(bool on) {
    border_ = on;
    syncImageSize();
}

void PictureBox::syncImageSize() {
    const QSize inner(std::max(0, widget()->width() - 2 * borderPx()),
                      std::max(0, widget()->height() - 2 * borderPx()));
    if (image_.size() == inner) return;
    QImage next(inner, QImage::Format_RGB32);
    next.fill(toQColor(back_));
    if (!picture_.isNull()) {
        QPainter p(&next);
        p.drawImage(0, 0, picture_);
    }
    if (!image_.isNull()) {
        QPainter p(&next);
        p.drawImage(0, 0, image_);
    }
    image_ = std::move(next);
    widget()->update();
}

float PictureBox::ScaleWidth() const {
    return float(image_.width()) * unitPerPixelX();
}
float PictureBox::ScaleHeight() const {
    return float(image_.height()) * unitPerPixelY();
}

QPoint PictureBox::toPixel(float x, float y) const {
    return QPoint(CInt(x / unitPerPixelX()), CInt(y / unitPerPixelY()));
}

void PictureBox::setBackColor(Colour c) {
    back_ = c;
    Cls();
}

void PictureBox::setPicture(const QImage& p) {
    picture_ = p;
    if (autoSize_ && !p.isNull()) {
        setWidth(float(p.width() + 2 * borderPx()) * (container()->childUnitPerPixelX()));
        setHeight(float(p.height() + 2 * borderPx()) * (container()->childUnitPerPixelY()));
    }
    Cls();
}

void PictureBox::Cls() {
    if (!image_.isNull()) {
        image_.fill(toQColor(back_));
        if (!picture_.isNull()) {
            QPainter p(&image_);
            p.drawImage(0, 0, picture_);
        }
    }
    CurrentX = 0;
    CurrentY = 0;
    widget()->update();
}

void PictureBox::Line(float x1, float y1, float x2, float y2) {
    Line(x1, y1, x2, y2, fore_);
}

void PictureBox::Line(float x1, float y1, float x2, float y2, Colour c) {
    if (image_.isNull()) return;
    const QPoint a = toPixel(x1, y1), b = toPixel(x2, y2);
    CurrentX = x2;
    CurrentY = y2;
    if (a == b) return;
    const QRgb rgb = toQColor(c).rgb();
    // Straight runs are drawn pixel by pixel (end point excluded), which is
    // exact and independent of the paint engine's rasteriser.
    if (a.x() == b.x() || a.y() == b.y()) {
        const int dx = (b.x() > a.x()) - (b.x() < a.x()), dy = (b.y() > a.y()) - (b.y() < a.y());
        for (QPoint p = a; p != b; p += QPoint(dx, dy))
            if (image_.rect().contains(p)) image_.setPixel(p, rgb);
    } else {
        QPainter p(&image_);
        p.setPen(QPen(toQColor(c), 0));
        p.drawLine(a, b);
    }
    widget()->update();
}

void PictureBox::LineBox(float x1, float y1, float x2, float y2, Colour c, int penWidth) {
    if (image_.isNull()) return;
    const QRect box = QRect(toPixel(x1, y1), toPixel(x2, y2)).normalized();
    // The pen is centred on the corner pixels, which both belong to the box;
    // filled bands keep it exact (a stroked QRect would reach one pixel past
    // the right and bottom corner).
    const int pen = std::max(1, penWidth);
    const int lo = (pen - 1) / 2, hi = pen / 2;
    const QColor colour = toQColor(c);
    QPainter p(&image_);
    const auto band = [&](int l, int t, int r, int b) {
        p.fillRect(QRect(QPoint(l - lo, t - lo), QPoint(r + hi, b + hi)), colour);
    };
    band(box.left(), box.top(), box.right(), box.top());
    band(box.left(), box.bottom(), box.right(), box.bottom());
    band(box.left(), box.top(), box.left(), box.bottom());
    band(box.right(), box.top(), box.right(), box.bottom());
    widget()->update();
}

void PictureBox::Print(const QString& text) {
    if (image_.isNull()) return;
    const QPoint at = toPixel(CurrentX, CurrentY);
    QPainter p(&image_);
    p.setFont(font_);
    p.setPen(toQColor(fore_));
    const QFontMetrics fm(font_, &image_);
    p.drawText(at.x(), at.y() + fm.ascent(), text);
    CurrentX = 0;
    CurrentY += float(fm.height()) * unitPerPixelY();
    widget()->update();
}

float PictureBox::TextWidth(const QString& text) const {
    const QFontMetrics fm(font_, &image_);
    return float(fm.horizontalAdvance(text)) * unitPerPixelX();
}

float PictureBox::TextHeight(const QString& text) const {
    (void)text;
    const QFontMetrics fm(font_, &image_);
    return float(fm.height()) * unitPerPixelY();
}

Colour PictureBox::Point(float x, float y) const {
    const QPoint p = toPixel(x, y);
    if (!image_.rect().contains(p)) return 0xFFFFFFFFu; // outside: "no colour"
    return fromQColor(QColor(image_.pixel(p)));
}

void PictureBox::PaintPicture(const QImage& pic, float x, float y, float w, float h) {
    if (image_.isNull() || pic.isNull()) return;
    const QPoint a = toPixel(x, y);
    const QPoint size = toPixel(w, h);
    QPainter p(&image_);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(QRect(a, QSize(size.x(), size.y())), pic);
    widget()->update();
}

void PictureBox::paintOn(QPainter& p) {
    const int b = borderPx();
    p.drawImage(b, b, image_);
    for (const Shape* s : shapes_)
        if (s->Visible()) {
            p.save();
            p.translate(b, b);
            s->paint(p, unitPerPixelX(), unitPerPixelY());
            p.restore();
        }
    if (border_) {
        p.setPen(QColor(0, 0, 0));
        p.setBrush(Qt::NoBrush);
        p.drawRect(widget()->rect().adjusted(0, 0, -1, -1));
    }
}

// ---------------------------------------------------------------- shape

Shape::Shape(PictureBox& host) : host_(host) {
    host.addShape(this);
}

void Shape::setVisible(bool v) {
    visible_ = v;
    host_.widget()->update();
}

void Shape::paint(QPainter& p, float unitX, float unitY) const {
    const QRect r(CInt(Left / unitX), CInt(Top / unitY), CInt(Width / unitX), CInt(Height / unitY));
    // A black frame with a white one inside: over any colour one of the two
    // stands out (an inverted outline vanishes over mid-grey, 0x80 -> 0x7F).
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 0), 1));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setPen(QPen(QColor(255, 255, 255), 1));
    p.drawRect(r.adjusted(1, 1, -2, -2));
}

// ---------------------------------------------------------------- label

Label::Label(Form& form, Container* parent)
    : Control(form, parent, new ControlWidget(parent->childHost())) {
    static_cast<ControlWidget*>(widget())->painter = [this](QPainter& p) { paint(p); };
}

void Label::setCaption(const QString& c) {
    if (c == caption_) return;
    caption_ = c;
    widget()->update();
}

void Label::setFont(const QFont& f) {
    font_ = f;
    widget()->update();
}

void Label::paint(QPainter& p) const {
    if (!transparent_) p.fillRect(widget()->rect(), toQColor(back_));
    p.setFont(font_);
    p.setPen(toQColor(fore_));
    int flags = Qt::AlignLeft | Qt::AlignTop;
    if (wrap_) flags |= Qt::TextWordWrap;
    p.drawText(widget()->rect(), flags, caption_);
}

// ---------------------------------------------------------------- option button

OptionButton::OptionButton(Form& form, Container* parent)
    : Control(form, parent, new RadioWidget(parent->childHost())) {
    QObject::connect(button(), &QRadioButton::clicked, button(), [this] {
        if (Click) Click();
    });
    button()->setAutoFillBackground(true);
}

QRadioButton* OptionButton::button() const {
    return static_cast<QRadioButton*>(widget());
}
bool OptionButton::Value() const {
    return button()->isChecked();
}
void OptionButton::setValue(bool on) {
    button()->setChecked(on);
}
void OptionButton::setCaption(const QString& c) {
    button()->setText(c);
}
void OptionButton::setBackColor(Colour c) {
    QPalette pal = button()->palette();
    pal.setColor(QPalette::Window, toQColor(c));
    pal.setColor(QPalette::Button, toQColor(c));
    button()->setPalette(pal);
}

// ---------------------------------------------------------------- timer

Timer::Timer(Form& form, int intervalMs, bool enabled)
    : form_(form), timer_(new QTimer(form.window())), interval_(intervalMs), enabled_(enabled),
      live_(form.sys().timersLive()) {
    timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_, &QTimer::timeout, timer_, [this] { Fire(); });
    sync();
}

Timer::~Timer() = default; // the QTimer is a child of the form's window

void Timer::setEnabled(bool e) {
    enabled_ = e;
    sync();
}

void Timer::setInterval(int ms) {
    interval_ = ms;
    sync();
}

void Timer::Fire() {
    if (Timer_) Timer_();
}

void Timer::sync() {
    if (live_ && enabled_ && interval_ > 0)
        timer_->start(interval_);
    else
        timer_->stop();
}

// ---------------------------------------------------------------- form

Form::Form(platform::DesktopServices& sys, bool frameless)
    : sys_(sys), screen_(sys), clipboard_(sys), frame_(!frameless) {
    auto* w = new FormWindow(*this, Qt::Tool | Qt::FramelessWindowHint);
    window_ = w;
    client_ = new ClientWidget(*this, w);
    client_->setFocusPolicy(Qt::ClickFocus);
}

Form::~Form() {
    delete window_;
}

void Form::applyPosition() {
    window_->move(CInt(left_ / screen_.TwipsPerPixelX()), CInt(top_ / screen_.TwipsPerPixelY()));
}

void Form::applySize() {
    const int w = std::max(1, CInt(width_ / screen_.TwipsPerPixelX()));
    const int h = std::max(1, CInt(height_ / screen_.TwipsPerPixelY()));
    window_->resize(w, h);
    const int f = framePx();
    client_->setGeometry(f, f, std::max(0, w - 2 * f), std::max(0, h - 2 * f));
}

void Form::setLeft(float v) {
    left_ = v;
    applyPosition();
}
void Form::setTop(float v) {
    top_ = v;
    applyPosition();
}
void Form::setWidth(float v) {
    if (v == width_) return;
    width_ = v;
    applySize();
    Form_Resize();
}
void Form::setHeight(float v) {
    if (v == height_) return;
    height_ = v;
    applySize();
    Form_Resize();
}
void Form::Move(float l, float t) {
    left_ = l;
    top_ = t;
    applyPosition();
}
void Form::Move(float l, float t, float w, float h) {
    Move(l, t);
    const bool changed = (w != width_ || h != height_);
    width_ = w;
    height_ = h;
    if (changed) {
        applySize();
        Form_Resize();
    }
}

float Form::ScaleWidth() const {
    return float(client_->width()) * screen_.TwipsPerPixelX();
}
float Form::ScaleHeight() const {
    return float(client_->height()) * screen_.TwipsPerPixelY();
}

void Form::windowMovedTo(const QPoint& px) {
    // Keep the model when it already names this pixel (sub-pixel twips stay);
    // otherwise the window system or the user moved us.
    const QPoint mine(CInt(left_ / screen_.TwipsPerPixelX()),
                      CInt(top_ / screen_.TwipsPerPixelY()));
    if (px.x() != mine.x()) left_ = float(px.x()) * screen_.TwipsPerPixelX();
    if (px.y() != mine.y()) top_ = float(px.y()) * screen_.TwipsPerPixelY();
}

void Form::windowClosedBySystem() {
    Unload(vbFormControlMenu);
}

void Form::setDesignSize(float w, float h) {
    width_ = w;
    height_ = h;
    applySize();
}

void Form::Load() {
    if (loaded_) return;
    loaded_ = true;
    Form_Load();
}

void Form::Show() {
    Load();
    const bool first = !shownOnce_;
    shownOnce_ = true;
    applyPosition();
    window_->show();
    if (first) Form_Resize();
    sys_.activate(window_);
    Form_Shown();
}

void Form::Hide() {
    window_->hide();
}
bool Form::Visible() const {
    return window_->isVisible();
}

void Form::SetFocus() {
    sys_.activate(window_);
}

bool Form::Unload(int mode) {
    int cancel = 0;
    Form_QueryUnload(cancel, mode);
    if (cancel) return false;
    Form_Unload(cancel);
    if (cancel) return false;
    window_->hide();
    loaded_ = false;
    return true;
}

void Form::setBackColor(Colour c) {
    back_ = c;
    window_->update();
    client_->update();
}

void Form::setIcon(const QIcon& icon) {
    icon_ = icon;
    window_->setWindowIcon(icon);
}

// ---------------------------------------------------------------- images

QFont SmallFont() {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(6.75);
    f.setWeight(QFont::Normal);
    f.setStyleHint(QFont::SansSerif);
    return f;
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

} // namespace forms
