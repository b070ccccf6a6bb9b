#include "FormsText.h"
#include "FormsTextLayout.h"

#include <QColor>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace forms {

using detail::Face;
using detail::Laid;
using detail::layOutFromGlyphs;

namespace {

// Cells and reaches kept per label: the figures' combinations a pointer
// passes through in a while, a hundred kilobytes or so.
constexpr qsizetype kKept = 256;

// The glyphs laid out in `laid` (from the picture's left) drawn over `base`
// as DrawLine draws them.
QImage drawTile(const Face& f, QImage base, const QImage& like, const Laid& laid, qreal baseline,
                QRgb fore) {
    base.setDotsPerMeterX(like.dotsPerMeterX());
    base.setDotsPerMeterY(like.dotsPerMeterY());
    QPainter p(&base);
    p.setPen(QColor::fromRgb(fore));
    detail::drawLaid(p, QPointF(0, baseline), f, laid);
    p.end();
    // A copy, without the paint engine that a painted picture keeps.
    return base.copy();
}

QImage filled(int width, int height, QRgb colour) {
    QImage t(width, height, QImage::Format_RGB32);
    t.fill(colour);
    return t;
}

// How many columns the glyph at `offset` (in 64ths) into a cell of `width`
// covers left and right of the cell. White on black, every pixel it touches
// at all shows.
std::pair<int, int> reachOf(const Face& f, const QImage& like, quint32 index, int offset, int width,
                            qreal baseline) {
    const QRectF ink = f.raw.boundingRect(index);
    const qreal x = offset / 64.0;
    // Room for its widest reach, and for smoothing past its ink.
    const int padL = 2 + std::max(0, int(std::ceil(-(x + ink.left()))));
    const int padR = 2 + std::max(0, int(std::ceil(x + ink.right() - width)));
    const QRgb black = qRgb(0, 0, 0);
    Laid alone;
    alone.indexes = {index};
    alone.positions = {QPointF(padL + x, 0)};
    const QImage t = drawTile(f, filled(padL + width + padR, like.height(), black), like, alone,
                              baseline, qRgb(255, 255, 255));
    int from = padL, to = padL + width;
    for (int y = 0; y < t.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(t.constScanLine(y));
        for (int c = 0; c < t.width(); ++c)
            if (row[c] != black) from = std::min(from, c), to = std::max(to, c + 1);
    }
    return {padL - from, to - (padL + width)};
}

} // namespace

std::optional<QRect> RedrawLineCells(LineCells& kept, QImage& image, const QFont& font, QPointF at,
                                     const QString& before, const QString& text, QRgb fore,
                                     QRgb back, const QImage* under) {
    if (before.size() != text.size() || image.format() != QImage::Format_RGB32) return std::nullopt;
    if (under && (under->size() != image.size() || under->format() != image.format()))
        return std::nullopt;
    const int dpiX = image.logicalDpiX(), dpiY = image.logicalDpiY();
    if (kept.font != font || kept.dpiX != dpiX || kept.dpiY != dpiY ||
        kept.height != image.height() || kept.fore != fore || kept.back != back || kept.at != at) {
        kept.font = font;
        kept.dpiX = dpiX, kept.dpiY = dpiY, kept.height = image.height();
        kept.fore = fore, kept.back = back, kept.at = at;
        kept.reach.clear();
        kept.tiles.clear();
        kept.text.clear();
    }
    // Over a picture, a cell's columns show what lies under them too.
    const qint64 underKey = under ? under->cacheKey() : 0;
    if (kept.under != underKey) {
        kept.under = underKey;
        kept.tiles.clear();
    }
    Face* f = nullptr;
    static Laid was, now; // kept between calls: a read-out changes 100 times a second
    const bool known = !kept.text.isEmpty() && kept.text == before;
    if (!known) {
        if (!layOutFromGlyphs(font, &image, before, f, was)) return std::nullopt;
        kept.indexes = was.indexes;
        kept.positions = was.positions;
    }
    // Where only some figures changed, only their glyphs are looked up.
    const bool relaid = known && detail::relayOutChanged(font, &image, before, text, kept.indexes,
                                                         kept.positions, f, now);
    if (!relaid &&
        (!layOutFromGlyphs(font, &image, text, f, now) || now.positions != kept.positions))
        return std::nullopt;
    const qsizetype n = now.indexes.size();
    const qreal baseline = at.y() + now.positions[0].y();
    const auto x = [&](qsizetype i) { return at.x() + now.positions[i].x(); };
    // Cell i runs from glyph i's origin to glyph i + 1's, the first from the
    // picture's left edge. The last glyph's cell ends about a glyph past its
    // origin, and a cell of no glyph takes the rest up to the right edge, so
    // that the cells kept stay narrow. The glyphs stand where they stood.
    std::vector<int>& lefts = kept.lefts;
    if (!known || lefts.size() != std::size_t(n) + 2) {
        lefts.resize(std::size_t(n) + 2);
        for (qsizetype i = 0; i < n; ++i)
            lefts[std::size_t(i)] = i == 0 ? 0 : int(std::floor(x(i)));
        const int last = lefts[std::size_t(n) - 1];
        const int step = n > 1 ? 2 * (last - lefts[std::size_t(n) - 2]) : image.width();
        lefts[std::size_t(n)] = std::clamp(last + std::max(step, 1), last, image.width());
        lefts[std::size_t(n) + 1] = image.width();
    }
    const auto left = [&](qsizetype i) { return lefts[std::size_t(i)]; };
    const auto right = [&](qsizetype i) { return lefts[std::size_t(i) + 1]; };
    // The columns glyph `index` covers standing at i.
    const auto covers = [&](qsizetype i, quint32 index) -> std::optional<std::pair<int, int>> {
        const int l = left(i), width = right(i) - l, offset = qRound((x(i) - l) * 64);
        if (width <= 0 || width > 0xFFFF || offset < 0 || offset > 0xFFFF) return std::nullopt;
        const quint64 key = quint64(index) | quint64(width) << 32 | quint64(offset) << 48;
        auto it = kept.reach.constFind(key);
        if (it == kept.reach.cend()) {
            if (kept.reach.size() >= kKept) kept.reach.clear();
            it = kept.reach.insert(key, reachOf(*f, image, index, offset, width, baseline));
        }
        return std::pair(l - it->first, right(i) + it->second);
    };
    // Where the glyphs stand stays; what each covers changes with the glyph.
    if (!known || kept.spans.size() != std::size_t(n)) {
        kept.spans.resize(std::size_t(n));
        for (qsizetype i = 0; i < n; ++i) {
            const auto was_ = covers(i, kept.indexes[i]);
            if (!was_) return kept.text.clear(), std::nullopt;
            kept.spans[std::size_t(i)] = *was_;
        }
    }
    // The cells whose pixels change: those the changed glyphs cover, old and new.
    static std::vector<char> dirty;
    dirty.assign(std::size_t(n) + 1, 0);
    const auto mark = [&](std::pair<int, int> span) {
        for (qsizetype c = 0; c <= n; ++c)
            if (right(c) > span.first && left(c) < span.second) dirty[std::size_t(c)] = 1;
    };
    for (qsizetype i = 0; i < n; ++i) {
        if (now.indexes[i] == kept.indexes[i]) continue;
        const auto is = covers(i, now.indexes[i]);
        if (!is) return kept.text.clear(), std::nullopt;
        mark(kept.spans[std::size_t(i)]);
        mark(*is);
        kept.spans[std::size_t(i)] = *is;
    }
    // Each changed cell is copied whole, as its glyphs drew it; all are
    // found before any is copied, so that a line left to the painter is
    // still the old one.
    static Laid within; // the glyphs that reach into a cell
    static std::vector<std::pair<int, QImage>> copies;
    copies.clear();
    for (qsizetype c = 0; c <= n; ++c) {
        if (!dirty[std::size_t(c)]) continue;
        const int l = left(c), r = right(c);
        if (l >= r) continue;
        within.indexes.clear();
        within.positions.clear();
        std::pair<quint64, quint64> key(quint64(r - l), 0);
        if (under) key.first |= quint64(l) << 51;
        for (qsizetype i = 0; i < n; ++i) {
            const auto [from, to] = kept.spans[std::size_t(i)];
            if (to <= l || from >= r) continue;
            const int offset = qRound((x(i) - l) * 64);
            if (within.indexes.size() == 3 || now.indexes[i] > 0xFFFF || offset < -0x8000 ||
                offset > 0x7FFF || l >= 0x2000)
                return kept.text.clear(), std::nullopt;
            const quint64 part = quint64(now.indexes[i]) << 16 | quint16(offset);
            if (within.indexes.isEmpty())
                key.first |= part << 16;
            else
                key.second |= part << (32 * (within.indexes.size() - 1));
            within.indexes.append(now.indexes[i]);
            within.positions.append(QPointF(x(i) - l, now.positions[i].y() - now.positions[0].y()));
        }
        key.first |= quint64(within.indexes.size()) << 48;
        auto it = kept.tiles.constFind(key);
        if (it == kept.tiles.cend()) {
            if (kept.tiles.size() >= kKept) kept.tiles.clear();
            QImage base = under ? under->copy(l, 0, r - l, under->height())
                                : filled(r - l, image.height(), back);
            it = kept.tiles.insert(key,
                                   drawTile(*f, std::move(base), image, within, baseline, fore));
        }
        copies.emplace_back(l, *it);
    }
    QRect changed;
    uchar* const bits = image.bits();
    const qsizetype line = image.bytesPerLine();
    for (const auto& [l, tile] : copies) {
        const uchar* from = tile.constBits();
        const qsizetype tileLine = tile.bytesPerLine();
        const int w = tile.width();
        for (int y = 0, h = image.height(); y < h; ++y)
            std::memcpy(bits + y * line + l * 4, from + y * tileLine, std::size_t(w) * 4);
        changed |= QRect(l, 0, w, image.height());
    }
    copies.clear(); // the tiles stay shared with the kept ones only
    kept.text = text;
    kept.indexes = now.indexes;
    return changed;
}

} // namespace forms
