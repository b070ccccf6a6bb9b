#pragma once

// Widgets behind the forms layer's controls and windows, and the translation
// of Qt's input events into the controls' handlers. Private to the layer.

#include "Forms.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>

#include <functional>
#include <utility>

namespace forms {

// Translates Qt's input events on a control's widget into the control's
// handlers, with the classic press/release/click/double-click order.
class ControlEvents {
public:
    static void press(Control& c, QMouseEvent* e) {
        c.form().setMouseEventScreenPos(e->globalPosition().toPoint());
        const int b = buttonCode(e->button());
        if (b == 0) return;
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
    // The second press of a double-click has raised MouseDown already (Qt
    // delivers it before the double-click event); pressDelivered is false
    // where only the double-click event arrived.
    static void doubleClick(Control& c, QMouseEvent* e, bool pressDelivered) {
        if (!pressDelivered) press(c, e);
        c.form().setMouseEventScreenPos(e->globalPosition().toPoint());
        if (buttonCode(e->button()) == vbLeftButton && c.DblClick) c.DblClick();
    }
    // The release that ends a double-click raises MouseUp but no second Click.
    static void release(Control& c, QMouseEvent* e, bool endsDoubleClick) {
        c.form().setMouseEventScreenPos(e->globalPosition().toPoint());
        const int b = buttonCode(e->button());
        if (b == 0) return;
        if (c.MouseUp) c.MouseUp(b, shiftCode(e->modifiers()), x(c, e), y(c, e));
        if (b == vbLeftButton && !endsDoubleClick && c.Click &&
            c.widget()->rect().contains(e->position().toPoint()))
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

namespace detail {

// Where a widget stands in a press / release / double-click sequence, so a
// double-click raises Click once: press, release, Click, press, DblClick,
// release.
class ClickSequence {
public:
    void pressed() {
        pressDelivered_ = true;
        doubled_ = false;
    }
    // Returns whether Qt delivered the double-click's second press first.
    bool doubled(const QMouseEvent* e) {
        doubled_ = e->button() == Qt::LeftButton;
        return std::exchange(pressDelivered_, true);
    }
    // Returns whether this release ends a double-click.
    bool released() {
        pressDelivered_ = false;
        return std::exchange(doubled_, false);
    }

private:
    bool pressDelivered_ = false;
    bool doubled_ = false;
};

class ControlWidget : public QWidget {
public:
    ControlWidget(QWidget* parent) : QWidget(parent) {}
    Control* control = nullptr;
    std::function<void(QPainter&)> painter;
    std::function<void()> hidden;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!painter) return;
        QPainter p(this);
        painter(p);
    }
    void mousePressEvent(QMouseEvent* e) override {
        clicks.pressed();
        if (control) ControlEvents::press(*control, e);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        const bool pressDelivered = clicks.doubled(e);
        if (control) ControlEvents::doubleClick(*control, e, pressDelivered);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        const bool endsDoubleClick = clicks.released();
        if (ControlEvents::releaseCaptured(this, e)) return;
        if (control) ControlEvents::release(*control, e, endsDoubleClick);
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (control) ControlEvents::move(*control, e);
    }
    // Key preview is off: a control's keys never reach its form.
    void keyPressEvent(QKeyEvent* e) override {
        if (control) ControlEvents::key(*control, e);
    }
    // Nothing here shows the focus: gaining or losing it repaints nothing.
    void focusInEvent(QFocusEvent*) override {}
    void focusOutEvent(QFocusEvent*) override {}
    void hideEvent(QHideEvent*) override {
        if (hidden) hidden();
    }

private:
    ClickSequence clicks;
};

class RadioWidget : public QRadioButton {
public:
    RadioWidget(QWidget* parent) : QRadioButton(parent) {}

protected:
    void mousePressEvent(QMouseEvent* e) override {
        clicks.pressed();
        QRadioButton::mousePressEvent(e);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (!clicks.doubled(e)) QRadioButton::mousePressEvent(e);
    }
    // A button that is not down at its release reports no click; the
    // release stays with the button either way.
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (clicks.released()) setDown(false);
        QRadioButton::mouseReleaseEvent(e);
        e->accept();
    }
    // Arrows move the focus within the group; nothing goes on to the form.
    void keyPressEvent(QKeyEvent* e) override {
        QRadioButton::keyPressEvent(e);
        e->accept();
    }

private:
    ClickSequence clicks;
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
        if (form.framePx()) DrawOutline(p, rect(), QColor(0, 0, 0));
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
        clicks.pressed();
        press(e);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (!clicks.doubled(e)) press(e);
        if (buttonCode(e->button()) == vbLeftButton) form.Form_DblClick();
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        const bool endsDoubleClick = clicks.released();
        form.setMouseEventScreenPos(e->globalPosition().toPoint());
        if (ControlEvents::releaseCaptured(this, e)) return;
        const int b = buttonCode(e->button());
        if (!b) return;
        form.Form_MouseUp(b, shiftCode(e->modifiers()), tx(e), ty(e));
        if (b == vbLeftButton && !endsDoubleClick && rect().contains(e->position().toPoint()))
            form.Form_Click();
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

private:
    void press(QMouseEvent* e) {
        form.setMouseEventScreenPos(e->globalPosition().toPoint());
        const int b = buttonCode(e->button());
        if (b) form.Form_MouseDown(b, shiftCode(e->modifiers()), tx(e), ty(e));
    }
    ClickSequence clicks;
};

} // namespace detail

} // namespace forms
