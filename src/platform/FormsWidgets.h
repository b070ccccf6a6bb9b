#pragma once

// Widgets behind the forms layer's controls and windows, and the translation
// of Qt's input events into the controls' handlers. Private to the layer.

#include "Forms.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>

#include <functional>

namespace forms {

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

namespace detail {

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

} // namespace detail

} // namespace forms
