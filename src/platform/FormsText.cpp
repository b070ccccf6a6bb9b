#include "FormsText.h"
#include "FormsTextLayout.h"

#include <QGlyphRun>
#include <QHash>
#include <QPaintDevice>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>

#include <cmath>
#include <optional>
#include <utility>
#include <vector>

namespace forms {

using detail::drawLaid;
using detail::Face;
using detail::Glyph;
using detail::Laid;
using detail::layOutFromGlyphs;

namespace {

// Fonts, characters and pairs kept; past these a text is shaped as usual.
constexpr int kFonts = 8;
constexpr int kCharacters = 256;
constexpr int kPairs = 4096;

// The glyph runs of `text` as `font` lays it out on `device`.
QList<QGlyphRun> layOut(const QFont& font, const QPaintDevice* device, const QString& text) {
    QTextLayout layout(text, font, device);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    return layout.glyphRuns();
}

bool plain(QChar c) {
    // Marks join their base, surrogates pair up, controls lay out apart.
    return !c.isSurrogate() && !c.isMark() && c.category() != QChar::Other_Control &&
           c.category() != QChar::Other_Format && c.script() <= QChar::Script_Latin;
}

const Glyph* glyphOf(Face& f, const QFont& font, const QPaintDevice* d, QChar c) {
    if (const auto it = f.glyphs.constFind(c.unicode()); it != f.glyphs.cend()) return &*it;
    if (f.glyphs.size() >= kCharacters || !plain(c)) return nullptr;
    // Doubled, so the layout gives the advance to the next glyph.
    const QList<QGlyphRun> runs = layOut(font, d, QString(2, c));
    if (runs.size() != 1 || runs[0].glyphIndexes().size() != 2) return nullptr;
    if (f.raw.isValid() && !(runs[0].rawFont() == f.raw)) return nullptr;
    f.raw = runs[0].rawFont();
    const QList<QPointF> at = runs[0].positions();
    const quint32 index = runs[0].glyphIndexes()[0];
    return &*f.glyphs.insert(c.unicode(), {index, at[1] - at[0], f.raw.boundingRect(index)});
}

// The pair's correction, or nothing where the pair must be shaped.
std::optional<QPointF> pairOf(Face& f, const QFont& font, const QPaintDevice* d, QChar a, QChar b,
                              const Glyph& first) {
    const quint32 key = (quint32(a.unicode()) << 16) | b.unicode();
    auto it = f.pairs.constFind(key);
    if (it == f.pairs.cend()) {
        if (f.pairs.size() >= kPairs) return std::nullopt;
        QPointF kern(qQNaN(), 0);
        const QList<QGlyphRun> runs = layOut(font, d, QString(a) + b);
        if (runs.size() == 1 && runs[0].glyphIndexes().size() == 2 && runs[0].rawFont() == f.raw)
            kern = runs[0].positions()[1] - runs[0].positions()[0] - first.advance;
        it = f.pairs.insert(key, kern);
    }
    if (std::isnan(it->x())) return std::nullopt;
    return *it;
}

Face& faceFor(const QFont& font, const QPaintDevice* d) {
    // Kept for the program's life, a handful of fonts at most; compared as
    // fonts, since a font's key is written out each time it is asked for.
    struct Kept {
        QFont font;
        int dpiX, dpiY;
        Face face;
    };
    static std::vector<Kept> faces;
    const int dpiX = d ? d->logicalDpiX() : 0, dpiY = d ? d->logicalDpiY() : 0;
    for (Kept& k : faces)
        if (k.dpiX == dpiX && k.dpiY == dpiY && k.font == font) return k.face;
    if (faces.size() >= kFonts) faces.clear();
    faces.push_back({font, dpiX, dpiY, Face{}});
    return faces.back().face;
}

} // namespace

namespace detail {

bool layOutFromGlyphs(const QFont& font, const QPaintDevice* d, const QString& text, Face*& face,
                      Laid& out) {
    if (text.isEmpty() || font.letterSpacing() != 0 || font.wordSpacing() != 0 ||
        font.capitalization() != QFont::MixedCase)
        return false;
    Face& f = faceFor(font, d);
    face = &f;
    out.indexes.clear();
    out.positions.clear();
    out.inks.clear();
    out.indexes.reserve(text.size());
    out.positions.reserve(text.size());
    out.inks.reserve(std::size_t(text.size()));
    QPointF pen(0, 0);
    const Glyph* previous = nullptr;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const Glyph* g = glyphOf(f, font, d, text[i]);
        if (!g) return false;
        if (previous) {
            const std::optional<QPointF> kern = pairOf(f, font, d, text[i - 1], text[i], *previous);
            if (!kern) return false;
            pen += previous->advance + *kern;
        }
        out.indexes.append(g->index);
        out.positions.append(pen);
        out.inks.push_back(g->ink.translated(pen));
        previous = g;
    }
    return true;
}

void drawLaid(QPainter& p, QPointF at, const Face& f, const Laid& laid) {
    QGlyphRun run;
    run.setRawFont(f.raw);
    run.setGlyphIndexes(laid.indexes);
    run.setPositions(laid.positions);
    p.drawGlyphRun(at, run);
}

bool relayOutChanged(const QFont& font, const QPaintDevice* d, const QString& before,
                     const QString& text, const QList<quint32>& indexes,
                     const QList<QPointF>& positions, Face*& face, Laid& out) {
    const qsizetype n = text.size();
    if (before.size() != n || indexes.size() != n || positions.size() != n) return false;
    Face& f = faceFor(font, d);
    face = &f;
    out.indexes = indexes;
    out.positions = positions;
    out.inks.clear();
    // The pair (i, i + 1) of each text lays out alike: same glyphs or same
    // correction after the same advance.
    const auto samePair = [&](qsizetype i) {
        const Glyph* a = glyphOf(f, font, d, text[i]);
        const Glyph* b = glyphOf(f, font, d, before[i]);
        if (!a || !b) return false;
        const auto x = pairOf(f, font, d, text[i], text[i + 1], *a);
        const auto y = pairOf(f, font, d, before[i], before[i + 1], *b);
        return x && y && *x == *y;
    };
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] == before[i]) continue;
        const Glyph* g = glyphOf(f, font, d, text[i]);
        const Glyph* was = glyphOf(f, font, d, before[i]);
        if (!g || !was || g->advance != was->advance) return false;
        if ((i > 0 && !samePair(i - 1)) || (i + 1 < n && !samePair(i))) return false;
        out.indexes[i] = g->index;
    }
    return true;
}

} // namespace detail

namespace {

bool drawFromGlyphs(QPainter& p, QPointF at, const QString& text) {
    Face* f = nullptr;
    Laid laid;
    if (!layOutFromGlyphs(p.font(), p.device(), text, f, laid)) return false;
    drawLaid(p, at, *f, laid);
    return true;
}

} // namespace

void DrawLine(QPainter& p, QPointF at, const QString& text) {
    if (!drawFromGlyphs(p, at, text)) p.drawText(at, text);
}

std::optional<QRect> RedrawLineChange(QPainter& p, QPointF at, const QString& before,
                                      const QString& text, const QColor& back, const QRect& area) {
    if (before.size() != text.size()) return std::nullopt;
    // The line drawn last time is mostly what is drawn over now. Kept with
    // the other buffers from call to call: a read-out changes 100 times a
    // second.
    struct Last {
        QFont font;
        int dpiX = 0, dpiY = 0;
        QString text;
        Laid laid;
    };
    static Last last;
    static Laid now, within;
    static std::vector<std::pair<int, int>> runs; // changed columns, left to right
    const QPaintDevice* d = p.device();
    const int dpiX = d ? d->logicalDpiX() : 0, dpiY = d ? d->logicalDpiY() : 0;
    Face* f = nullptr;
    const bool known =
        last.text == before && last.dpiX == dpiX && last.dpiY == dpiY && last.font == p.font();
    last.text.clear();
    if (!known && !layOutFromGlyphs(p.font(), d, before, f, last.laid)) return std::nullopt;
    if (!layOutFromGlyphs(p.font(), d, text, f, now)) return std::nullopt;
    const Laid& was = last.laid;
    // The ink of every glyph that differs, old and new, with a margin for
    // hinting and for the rounding of glyph positions; the others stand
    // where they stood and are drawn again only where they reach into it.
    constexpr int kMargin = 2;
    runs.clear();
    for (std::size_t i = 0; i < now.inks.size(); ++i) {
        if (was.indexes[qsizetype(i)] == now.indexes[qsizetype(i)] &&
            was.positions[qsizetype(i)] == now.positions[qsizetype(i)])
            continue;
        const qreal lo = std::min(was.inks[i].left(), now.inks[i].left());
        const qreal hi = std::max(was.inks[i].right(), now.inks[i].right());
        const int l = std::max(area.left(), int(std::floor(at.x() + lo)) - kMargin);
        const int r = std::min(area.right(), int(std::ceil(at.x() + hi)) + kMargin);
        if (l > r) continue;
        // Changes a glyph or so apart are redrawn as one: each clip costs
        // about what drawing a glyph does.
        constexpr int kJoin = 8;
        if (!runs.empty() && l <= runs.back().second + kJoin)
            runs.back().second = std::max(runs.back().second, r);
        else
            runs.emplace_back(l, r);
    }
    last.font = p.font();
    last.dpiX = dpiX;
    last.dpiY = dpiY;
    last.text = text;
    std::swap(last.laid, now);
    if (runs.empty()) return QRect();
    const Laid& drawn = last.laid;
    QRect changed;
    p.save();
    for (const auto& [left, right] : runs) {
        const QRect clip(QPoint(left, area.top()), QPoint(right, area.bottom()));
        // Only the glyphs that reach into the columns.
        within.indexes.clear();
        within.positions.clear();
        for (std::size_t i = 0; i < drawn.inks.size(); ++i) {
            const qreal l = at.x() + drawn.inks[i].left() - kMargin;
            const qreal r = at.x() + drawn.inks[i].right() + kMargin;
            if (r < clip.left() || l > clip.right() + 1) continue;
            within.indexes.append(drawn.indexes[qsizetype(i)]);
            within.positions.append(drawn.positions[qsizetype(i)]);
        }
        p.setClipRect(clip);
        p.fillRect(clip, back);
        if (!within.indexes.isEmpty()) drawLaid(p, at, *f, within);
        changed |= clip;
    }
    p.restore();
    return changed;
}

} // namespace forms
