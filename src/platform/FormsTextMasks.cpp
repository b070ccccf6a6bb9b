#include "FormsText.h"
#include "FormsTextLayout.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <optional>

namespace forms {

using detail::Face;
using detail::Laid;

namespace {

constexpr int kSteps = 64; // glyph positions come in 1/64 pixel
constexpr qsizetype kMasks = 512;
constexpr double kMaxGlyph = 48; // pixels
// The first lines of each font are drawn by the painter as well and
// compared: where the engine blends otherwise, the painter keeps drawing.
constexpr int kChecks = 2;

// The paint engine's product of a colour's four bytes and an 8-bit alpha.
constexpr quint32 byteMul(quint32 x, quint32 a) {
    quint32 t = (x & 0xFF00FFu) * a;
    t = ((t + ((t >> 8) & 0xFF00FFu) + 0x800080u) >> 8) & 0xFF00FFu;
    x = ((x >> 8) & 0xFF00FFu) * a;
    x = (x + ((x >> 8) & 0xFF00FFu) + 0x800080u) & 0xFF00FF00u;
    return x | t;
}

const Face::Mask& maskOf(Face& f, const QImage& like, quint32 index, int fx, int fy,
                         const QRectF& ink) {
    const quint64 key = quint64(index) << 16 | quint64(fx) << 8 | quint64(fy);
    auto it = f.masks.constFind(key);
    if (it != f.masks.cend()) return *it;
    if (f.masks.size() >= kMasks) f.masks.clear();
    Face::Mask m;
    if (!ink.isEmpty()) {
        // Room for the ink and for the smoothing around it.
        const QPoint lo(int(std::floor(ink.left())) - 2, int(std::floor(ink.top())) - 2);
        const QPoint hi(int(std::ceil(ink.right())) + 2, int(std::ceil(ink.bottom())) + 2);
        QImage drawn(hi.x() - lo.x() + 1, hi.y() - lo.y() + 1, QImage::Format_RGB32);
        drawn.setDotsPerMeterX(like.dotsPerMeterX());
        drawn.setDotsPerMeterY(like.dotsPerMeterY());
        drawn.fill(Qt::black);
        {
            QPainter p(&drawn);
            p.setPen(Qt::white);
            Laid one;
            one.indexes = {index};
            one.positions = {QPointF(0, 0)};
            detail::drawLaid(
                p, QPointF(-lo.x() + fx / double(kSteps), -lo.y() + fy / double(kSteps)), f, one);
        }
        QRect crop;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                if (qRed(drawn.pixel(x, y))) crop |= QRect(x, y, 1, 1);
        m.from = lo + crop.topLeft();
        m.width = crop.width();
        for (int y = crop.top(); y <= crop.bottom(); ++y)
            for (int x = crop.left(); x <= crop.right(); ++x)
                m.alpha.push_back(uchar(qRed(drawn.pixel(x, y))));
    }
    return *f.masks.insert(key, std::move(m));
}

} // namespace

bool PrintLine(QImage& image, const QFont& font, QPointF at, const QString& text, QRgb ink) {
    if (image.format() != QImage::Format_RGB32 || qAlpha(ink) != 255) return false;
    Face* f = nullptr;
    Laid laid;
    if (!detail::layOutFromGlyphs(font, &image, text, f, laid) || f->masksWrong) return false;
    // Each glyph's pixel and its offset into it, in steps.
    std::vector<std::pair<QPoint, QPoint>> origins;
    origins.reserve(std::size_t(laid.indexes.size()));
    for (qsizetype g = 0; g < laid.positions.size(); ++g) {
        // Small text only: a large glyph's masks would cost more than a painter.
        const QRectF ink0 = laid.inks[std::size_t(g)];
        if (ink0.width() > kMaxGlyph || ink0.height() > kMaxGlyph) return false;
        const QPointF o = (at + laid.positions[g]) * kSteps;
        const QPoint steps(int(std::lround(o.x())), int(std::lround(o.y())));
        if (std::abs(o.x() - steps.x()) > 1e-6 || std::abs(o.y() - steps.y()) > 1e-6) return false;
        const QPoint pixel(int(std::floor(double(steps.x()) / kSteps)),
                           int(std::floor(double(steps.y()) / kSteps)));
        origins.emplace_back(pixel, steps - pixel * kSteps);
    }
    std::optional<QImage> painted;
    if (f->masksChecked < kChecks) {
        painted = image.copy();
        QPainter p(&*painted);
        p.setPen(QColor::fromRgb(ink));
        detail::drawLaid(p, at, *f, laid);
    }
    uchar* bits = image.bits();
    const qsizetype line = image.bytesPerLine();
    const int width = image.width(), height = image.height();
    for (qsizetype g = 0; g < laid.indexes.size(); ++g) {
        const auto& [pixel, offset] = origins[std::size_t(g)];
        const QRectF ink0 = laid.inks[std::size_t(g)].translated(-laid.positions[g]);
        const Face::Mask& m = maskOf(*f, image, laid.indexes[g], offset.x(), offset.y(), ink0);
        if (!m.width) continue;
        const QPoint to = pixel + m.from;
        // The part of the mask that lies on the image.
        const int x0 = std::max(0, -to.x()), x1 = std::min(m.width, width - to.x());
        const int rows = int(m.alpha.size()) / m.width;
        for (int y = std::max(0, -to.y()); y < std::min(rows, height - to.y()); ++y) {
            auto* row = reinterpret_cast<QRgb*>(bits + (to.y() + y) * line);
            const uchar* a = m.alpha.data() + std::ptrdiff_t(y) * m.width;
            for (int x = x0; x < x1; ++x) {
                QRgb& d = row[to.x() + x];
                if (a[x]) d = a[x] == 255 ? ink : byteMul(ink, a[x]) + byteMul(d, 255u - a[x]);
            }
        }
    }
    if (painted) {
        ++f->masksChecked;
        if (image != *painted) {
            f->masksWrong = true;
            image = *painted;
        }
    }
    return true;
}

} // namespace forms
