#include "Forms.h"
#include "FormsText.h"
#include "FormsWidgets.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRadioButton>
#include <QTextDocument>

#include <algorithm>

namespace forms {

using detail::ControlWidget;
using detail::RadioWidget;

// ---------------------------------------------------------------- control

Control::Control(Form& form, Container* parent, QWidget* widget)
    : form_(form), parent_(parent), widget_(widget) {
    if (auto* cw = dynamic_cast<ControlWidget*>(widget_)) cw->control = this;
    widget_->setFocusPolicy(Qt::NoFocus);
    widget_->show();
}

Control::~Control() {
    // The widget lives on with its window until the form goes: what it would
    // call back must not reach this control any more.
    if (auto* cw = dynamic_cast<ControlWidget*>(widget_)) {
        cw->control = nullptr;
        cw->painter = nullptr;
        cw->hidden = nullptr;
    }
}

float Control::unitPerPixelX() const {
    return form_.screen().TwipsPerPixelX();
}
float Control::unitPerPixelY() const {
    return form_.screen().TwipsPerPixelY();
}

void Control::applyGeometry() {
    const float ux = parent_ ? parent_->childUnitPerPixelX() : 1.0f;
    const float uy = parent_ ? parent_->childUnitPerPixelY() : 1.0f;
    const QPoint origin = parent_ ? parent_->childOrigin() : QPoint(0, 0);
    const int x = origin.x() + CInt(left_ / ux), y = origin.y() + CInt(top_ / uy);
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
    // Shown exactly as given: a text Qt would take for markup is escaped, so
    // pasted tags neither format the tooltip nor load anything.
    widget_->setToolTip(Qt::mightBeRichText(t) ? Qt::convertFromPlainText(t, Qt::WhiteSpacePre)
                                               : t);
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

// ---------------------------------------------------------------- shape

Shape::Shape(PictureBox& host) : host_(host) {
    host.addShape(this);
}

void Shape::setVisible(bool v) {
    visible_ = v;
    host_.redraw();
}

QRect Shape::rect(float unitX, float unitY) const {
    return QRect(CInt(Left / unitX), CInt(Top / unitY), CInt(Width / unitX), CInt(Height / unitY));
}

void Shape::paint(QPainter& p, float unitX, float unitY) const {
    const QRect r = rect(unitX, unitY);
    // A black frame with a white one inside: over any colour one of the two
    // stands out (an inverted outline vanishes over mid-grey, 0x80 -> 0x7F).
    DrawOutline(p, r, QColor(0, 0, 0));
    DrawOutline(p, r.adjusted(1, 1, -1, -1), QColor(255, 255, 255));
}

// ---------------------------------------------------------------- label

Label::Label(Form& form, Container* parent)
    : Control(form, parent, new ControlWidget(parent->childHost())),
      over_(*this, [this](QPainter& p, bool fresh) { return paintOver(p, fresh); }) {
    over_.followToolkit([this](QPainter& p) { paint(p); });
    over_.setChange([this](QImage& look, QPoint origin, const QImage* under) {
        return changeOver(look, origin, under);
    });
    over_.setTransparent(transparent_);
}

Label::~Label() = default;

void Label::setCaption(const QString& c) {
    if (c == caption_) return;
    caption_ = c;
    if (over_.on() && over_.show()) return;
    widget()->update();
}

QPointF Label::baseline(const QPaintDevice* device) const {
    const int dpi = device ? device->logicalDpiY() : 0;
    if (ascent_ < 0 || dpi != ascentDpi_) {
        ascent_ = QFontMetricsF(font_, device).ascent();
        ascentDpi_ = dpi;
    }
    return QPointF(0, ascent_);
}

QRect Label::paintOver(QPainter& p, bool fresh) {
    // A caption whose figures change redraws only where they did.
    if (!fresh && overCaption_ && !transparent_ && !wrap_) {
        p.setFont(font_);
        p.setPen(toQColor(fore_));
        if (const auto columns = RedrawLineChange(p, baseline(p.device()), *overCaption_, caption_,
                                                  toQColor(back_), widget()->rect())) {
            overCaption_ = caption_;
            return *columns;
        }
    }
    paint(p);
    overCaption_ = caption_;
    return widget()->rect();
}

std::optional<QRect> Label::changeOver(QImage& look, QPoint origin, const QImage* under) {
    // Only a whole one-line label: its picture is its fill, or what lies
    // under it, and its line.
    if (!overCaption_ || wrap_ || transparent_ != (under != nullptr) || origin != QPoint() ||
        look.size() != widget()->size())
        return std::nullopt;
    const auto columns =
        RedrawLineCells(cells_, look, font_, baseline(&look), *overCaption_, caption_,
                        toQColor(fore_).rgb(), toQColor(back_).rgb(), under);
    if (columns) overCaption_ = caption_;
    return columns;
}

void Label::setFont(const QFont& f) {
    font_ = f;
    ascent_ = -1;
    overCaption_.reset();
    widget()->update();
}

void Label::setTransparent(bool t) {
    transparent_ = t;
    overCaption_.reset();
    over_.setTransparent(t);
    // An opaque label covers its box: what lies under it is not painted
    // first on each of its repaints.
    widget()->setAttribute(Qt::WA_OpaquePaintEvent, !t);
}

void Label::paint(QPainter& p) const {
    if (!transparent_) p.fillRect(widget()->rect(), toQColor(back_));
    p.setFont(font_);
    p.setPen(toQColor(fore_));
    if (!wrap_ && !caption_.contains(QLatin1Char('\n'))) {
        // One line, drawn at its baseline: the same pixels as the boxed
        // form below without laying out lines, which was most of the cost
        // of a read-out changing 20 or 100 times a second.
        DrawLine(p, baseline(p.device()), caption_);
        return;
    }
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

} // namespace forms
