#pragma once

// Controls placed on a form: geometry in the container's scale unit, picture
// boxes with a persistent drawing image, shapes, labels and option buttons.

#include "FormsBase.h"
#include "FormsCopy.h"
#include "FormsOver.h"
#include "FormsText.h"

#include <QCursor>
#include <QWidget>

#include <optional>
#include <utility>
#include <vector>

class QRadioButton;

namespace forms {

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
    // Pixel of childHost() where the inner area, children's (0, 0), begins.
    virtual QPoint childOrigin() const { return QPoint(0, 0); }
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
    const QImage& image() const {
        ensureImage();
        return image_;
    }

    // Container.
    QWidget* childHost() const override { return widget(); }
    QPoint childOrigin() const override { return QPoint(borderPx(), borderPx()); }
    float childUnitPerPixelX() const override { return unitPerPixelX(); }
    float childUnitPerPixelY() const override { return unitPerPixelY(); }
    Form& ownerForm() const override { return form(); }

    void addShape(Shape* s) { shapes_.push_back(s); }
    // The whole look; with `outlined`, the flat border is taken as already
    // drawn where nothing but the inner area can have changed.
    void paintOn(QPainter& p, bool outlined = false); // used by the widget
    // Shows the box's new look: over the window while drawn over, else
    // through the toolkit's repaint.
    void redraw();
    // For a box that changes on every tick: see Label::setDrawnOver.
    void setDrawnOver(bool on) { over_.setOn(on); }
    void syncImageSize();

protected:
    float unitPerPixelX() const override;
    float unitPerPixelY() const override;

private:
    QPoint toPixel(float x, float y) const;
    int borderPx() const { return border_ ? 1 : 0; }
    // What is drawn over the image: the shapes, and the border where one of
    // them reaches over it.
    void paintShapes(QPainter& p, bool outlined);
    // The new look drawn over, without a painter while the shapes stay put.
    std::optional<QRect> changeOver(QImage& look, QPoint origin, const QImage* under);
    bool layerCurrent() const;
    std::pair<bool, QRect> shapePlace(const Shape& s) const;

    bool border_ = false;
    bool autoSize_ = false;
    ScaleMode scale_ = ScaleMode::Twips;
    Colour back_ = vbWindowBackground;
    Colour fore_ = vbWindowText;
    QImage picture_;
    // A box nobody drew on, with no picture, shows its back colour and keeps
    // no image: many are only frames for other controls.
    void ensureImage() const;
    mutable bool blank_ = true;
    mutable QImage image_;
    QSize inner_;
    QFont font_;
    std::vector<Shape*> shapes_;
    detail::StretchCopy copy_;
    detail::KeptLayer layer_;
    // What layer_ was recorded from: the size, border, and where each shape
    // was shown.
    QSize layerSize_;
    bool layerBorder_ = false;
    std::vector<std::pair<bool, QRect>> layerShapes_;
    detail::DrawnOver over_{*this, [this](QPainter& p, bool fresh) {
                                paintOn(p, !fresh);
                                return widget()->rect();
                            }};
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
    // Where it draws, in the host's pixels.
    QRect rect(float unitX, float unitY) const;

private:
    PictureBox& host_;
    bool visible_ = true;
};

class Label : public Control {
public:
    Label(Form& form, Container* parent);
    ~Label() override;
    QString Caption() const { return caption_; }
    void setCaption(const QString& c);
    QFont Font() const { return font_; }
    void setFont(const QFont& f);
    void setTransparent(bool t);
    void setBackColor(Colour c) { back_ = c, overCaption_.reset(); }
    void setForeColor(Colour c) { fore_ = c, overCaption_.reset(); }
    void setWordWrap(bool w) { wrap_ = w, overCaption_.reset(); }
    void paint(QPainter& p) const;
    // A read-out that changes on every tick: the desktop shows each new
    // caption straight over the window, where it can, without the toolkit's
    // repaint. Off again while the label or its window is hidden.
    void setDrawnOver(bool on) { over_.setOn(on); }

private:
    QRect paintOver(QPainter& p, bool fresh);
    std::optional<QRect> changeOver(QImage& look, QPoint origin, const QImage* under);
    // Where a line drawn in the label's font starts on `device`: the ascent,
    // kept until the font or the device's resolution changes.
    QPointF baseline(const QPaintDevice* device) const;
    QString caption_;
    std::optional<QString> overCaption_; // what the drawn-over picture shows
    mutable qreal ascent_ = -1;          // of font_ at ascentDpi_, or unknown
    mutable int ascentDpi_ = 0;
    QFont font_;
    bool transparent_ = true;
    bool wrap_ = false;
    detail::DrawnOver over_;
    LineCells cells_; // of the caption as drawn over
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

} // namespace forms
