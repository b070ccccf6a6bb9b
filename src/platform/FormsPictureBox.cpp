#include "Forms.h"
#include "FormsText.h"
#include "FormsWidgets.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

namespace forms {

using detail::ControlWidget;

// ---------------------------------------------------------------- picture box

PictureBox::PictureBox(Form& form, Container* parent)
    : Control(form, parent, new ControlWidget(parent->childHost())) {
    over_.followToolkit([this](QPainter& p) { paintOn(p); });
    over_.setChange([this](QImage& look, QPoint origin, const QImage* under) {
        return changeOver(look, origin, under);
    });
    widget()->setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::redraw() {
    if (over_.on())
        over_.showSoon();
    else
        widget()->update();
}

float PictureBox::unitPerPixelX() const {
    return scale_ == ScaleMode::Pixels ? 1.0f : form().screen().TwipsPerPixelX();
}
float PictureBox::unitPerPixelY() const {
    return scale_ == ScaleMode::Pixels ? 1.0f : form().screen().TwipsPerPixelY();
}

void PictureBox::setBorderFlat(bool on) {
    const int shift = (on ? 1 : 0) - borderPx();
    border_ = on;
    // Children stay where they are within the inner area.
    if (shift)
        for (QObject* o : widget()->children())
            if (auto* w = qobject_cast<QWidget*>(o)) w->move(w->pos() + QPoint(shift, shift));
    syncImageSize();
}

void PictureBox::syncImageSize() {
    const QSize inner(std::max(0, widget()->width() - 2 * borderPx()),
                      std::max(0, widget()->height() - 2 * borderPx()));
    if (inner_ == inner) return;
    inner_ = inner;
    over_.redrawWhole(); // the border may have come or gone
    if (blank_) {
        redraw();
        return;
    }
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
    redraw();
}

void PictureBox::ensureImage() const {
    if (!blank_) return;
    blank_ = false;
    image_ = QImage(inner_, QImage::Format_RGB32);
    image_.fill(toQColor(back_));
}

float PictureBox::ScaleWidth() const {
    return float(inner_.width()) * unitPerPixelX();
}
float PictureBox::ScaleHeight() const {
    return float(inner_.height()) * unitPerPixelY();
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
    if (!p.isNull()) ensureImage();
    if (autoSize_ && !p.isNull()) {
        setWidth(float(p.width() + 2 * borderPx()) * (container()->childUnitPerPixelX()));
        setHeight(float(p.height() + 2 * borderPx()) * (container()->childUnitPerPixelY()));
    }
    Cls();
}

void PictureBox::Cls() {
    if (!image_.isNull()) {
        image_.fill(toQColor(back_));
        if (!picture_.isNull() && !copy_.draw(image_, QRect(QPoint(), picture_.size()), picture_)) {
            QPainter p(&image_);
            p.drawImage(0, 0, picture_);
        }
    }
    CurrentX = 0;
    CurrentY = 0;
    redraw();
}

void PictureBox::Line(float x1, float y1, float x2, float y2) {
    Line(x1, y1, x2, y2, fore_);
}

void PictureBox::Line(float x1, float y1, float x2, float y2, Colour c) {
    ensureImage();
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
    redraw();
}

void PictureBox::LineBox(float x1, float y1, float x2, float y2, Colour c, int penWidth) {
    ensureImage();
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
    redraw();
}

void PictureBox::Print(const QString& text) {
    ensureImage();
    if (image_.isNull()) return;
    const QPoint at = toPixel(CurrentX, CurrentY);
    const QFontMetrics fm(font_, &image_);
    const QPointF base(at.x(), at.y() + fm.ascent());
    // A slot prints a new colour's text on every sample.
    if (!PrintLine(image_, font_, base, text, toQColor(fore_).rgb())) {
        QPainter p(&image_);
        p.setFont(font_);
        p.setPen(toQColor(fore_));
        DrawLine(p, base, text);
    }
    CurrentX = 0;
    CurrentY += float(fm.height()) * unitPerPixelY();
    redraw();
}

float PictureBox::TextWidth(const QString& text) const {
    ensureImage(); // the fonts' metrics come from its resolution
    const QFontMetrics fm(font_, &image_);
    return float(fm.horizontalAdvance(text)) * unitPerPixelX();
}

float PictureBox::TextHeight(const QString& text) const {
    (void)text;
    ensureImage();
    const QFontMetrics fm(font_, &image_);
    return float(fm.height()) * unitPerPixelY();
}

Colour PictureBox::Point(float x, float y) const {
    const QPoint p = toPixel(x, y);
    ensureImage();
    if (!image_.rect().contains(p)) return 0xFFFFFFFFu; // outside: "no colour"
    return fromQColor(QColor(image_.pixel(p)));
}

void PictureBox::PaintPicture(const QImage& pic, float x, float y, float w, float h) {
    if (pic.isNull()) return;
    ensureImage();
    if (image_.isNull()) return;
    const QPoint a = toPixel(x, y);
    const QPoint size = toPixel(w, h);
    const QRect to(a, QSize(size.x(), size.y()));
    // A sample box shows a new picture on every tick.
    if (!copy_.draw(image_, to, pic)) {
        QPainter p(&image_);
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(to, pic);
    }
    redraw();
}

void PictureBox::paintOn(QPainter& p, bool outlined) {
    const int b = borderPx();
    if (blank_)
        p.fillRect(QRect(QPoint(b, b), inner_), toQColor(back_));
    else
        p.drawImage(b, b, image_);
    paintShapes(p, outlined);
}

void PictureBox::paintShapes(QPainter& p, bool outlined) {
    const int b = borderPx();
    for (const Shape* s : shapes_)
        if (s->Visible()) {
            p.save();
            p.translate(b, b);
            s->paint(p, unitPerPixelX(), unitPerPixelY());
            p.restore();
            // One reaching over the border had it drawn over.
            if (!QRect(QPoint(), inner_).contains(s->rect(unitPerPixelX(), unitPerPixelY())))
                outlined = false;
        }
    if (border_ && !outlined) DrawOutline(p, widget()->rect(), QColor(0, 0, 0));
}

std::pair<bool, QRect> PictureBox::shapePlace(const Shape& s) const {
    return {s.Visible(), s.Visible() ? s.rect(unitPerPixelX(), unitPerPixelY()) : QRect()};
}

bool PictureBox::layerCurrent() const {
    if (layerSize_ != widget()->size() || layerBorder_ != border_ ||
        layerShapes_.size() != shapes_.size())
        return false;
    for (std::size_t i = 0; i < shapes_.size(); ++i)
        if (layerShapes_[i] != shapePlace(*shapes_[i])) return false;
    return true;
}

std::optional<QRect> PictureBox::changeOver(QImage& look, QPoint origin, const QImage* under) {
    if (under || (!blank_ && image_.size() != inner_)) return std::nullopt;
    if (!layerCurrent()) {
        layerSize_ = widget()->size();
        layerBorder_ = border_;
        layerShapes_.clear();
        for (const Shape* s : shapes_)
            layerShapes_.push_back(shapePlace(*s));
        // As a look that is not drawn afresh: its border is already there.
        layer_.record(layerSize_, [this](QImage& layer) {
            QPainter p(&layer);
            paintShapes(p, true);
        });
    }
    if (!layer_.usable()) return std::nullopt;
    const int b = borderPx();
    const QRect part = QRect(QPoint(b, b), inner_) & QRect(origin, look.size());
    const QRgb back = toQColor(back_).rgb();
    uchar* bits = look.bits();
    const QImage& image = image_;
    for (int y = part.top(); y <= part.bottom(); ++y) {
        auto* to = reinterpret_cast<QRgb*>(bits + (y - origin.y()) * look.bytesPerLine()) +
                   (part.left() - origin.x());
        if (blank_)
            std::fill_n(to, part.width(), back);
        else
            std::memcpy(
                to, reinterpret_cast<const QRgb*>(image.constScanLine(y - b)) + (part.left() - b),
                std::size_t(part.width()) * 4);
    }
    return part | layer_.apply(look, origin);
}

} // namespace forms
