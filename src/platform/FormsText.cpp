#include "FormsText.h"

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

namespace {

// Fonts, characters and pairs kept; past these a text is shaped as usual.
constexpr int kFonts = 8;
constexpr int kCharacters = 256;
constexpr int kPairs = 4096;

struct Glyph {
    quint32 index = 0;
    QPointF advance; // to the next glyph, as laid out after itself
};

// What one font on one kind of device lays out.
struct Face {
    QRawFont raw;
    QHash<char16_t, Glyph> glyphs;
    // How far a pair's second glyph stands from where the first's own
    // advance puts it; NaN where the pair is not two plain glyphs.
    QHash<quint32, QPointF> pairs;
};

// The glyph runs of `text` as the painter's font lays it out.
QList<QGlyphRun> layOut(const QPainter& p, const QString& text) {
    QTextLayout layout(text, p.font(), p.device());
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

const Glyph* glyphOf(Face& f, const QPainter& p, QChar c) {
    if (const auto it = f.glyphs.constFind(c.unicode()); it != f.glyphs.cend()) return &*it;
    if (f.glyphs.size() >= kCharacters || !plain(c)) return nullptr;
    // Doubled, so the layout gives the advance to the next glyph.
    const QList<QGlyphRun> runs = layOut(p, QString(2, c));
    if (runs.size() != 1 || runs[0].glyphIndexes().size() != 2) return nullptr;
    if (f.raw.isValid() && !(runs[0].rawFont() == f.raw)) return nullptr;
    f.raw = runs[0].rawFont();
    const QList<QPointF> at = runs[0].positions();
    return &*f.glyphs.insert(c.unicode(), {runs[0].glyphIndexes()[0], at[1] - at[0]});
}

// The pair's correction, or nothing where the pair must be shaped.
std::optional<QPointF> pairOf(Face& f, const QPainter& p, QChar a, QChar b, const Glyph& first) {
    const quint32 key = (quint32(a.unicode()) << 16) | b.unicode();
    auto it = f.pairs.constFind(key);
    if (it == f.pairs.cend()) {
        if (f.pairs.size() >= kPairs) return std::nullopt;
        QPointF kern(qQNaN(), 0);
        const QList<QGlyphRun> runs = layOut(p, QString(a) + b);
        if (runs.size() == 1 && runs[0].glyphIndexes().size() == 2 && runs[0].rawFont() == f.raw)
            kern = runs[0].positions()[1] - runs[0].positions()[0] - first.advance;
        it = f.pairs.insert(key, kern);
    }
    if (std::isnan(it->x())) return std::nullopt;
    return *it;
}

Face& faceFor(const QPainter& p) {
    // Kept for the program's life, a handful of fonts at most; compared as
    // fonts, since a font's key is written out each time it is asked for.
    struct Kept {
        QFont font;
        int dpiX, dpiY;
        Face face;
    };
    static std::vector<Kept> faces;
    const QPaintDevice* d = p.device();
    const int dpiX = d ? d->logicalDpiX() : 0, dpiY = d ? d->logicalDpiY() : 0;
    for (Kept& k : faces)
        if (k.dpiX == dpiX && k.dpiY == dpiY && k.font == p.font()) return k.face;
    if (faces.size() >= kFonts) faces.clear();
    faces.push_back({p.font(), dpiX, dpiY, Face{}});
    return faces.back().face;
}

bool drawFromGlyphs(QPainter& p, QPointF at, const QString& text) {
    const QFont& font = p.font();
    if (text.isEmpty() || font.letterSpacing() != 0 || font.wordSpacing() != 0 ||
        font.capitalization() != QFont::MixedCase)
        return false;
    Face& f = faceFor(p);
    QList<quint32> indexes;
    QList<QPointF> positions;
    indexes.reserve(text.size());
    positions.reserve(text.size());
    QPointF pen(0, 0);
    const Glyph* previous = nullptr;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const Glyph* g = glyphOf(f, p, text[i]);
        if (!g) return false;
        if (previous) {
            const std::optional<QPointF> kern = pairOf(f, p, text[i - 1], text[i], *previous);
            if (!kern) return false;
            pen += previous->advance + *kern;
        }
        indexes.append(g->index);
        positions.append(pen);
        previous = g;
    }
    QGlyphRun run;
    run.setRawFont(f.raw);
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);
    p.drawGlyphRun(at, run);
    return true;
}

} // namespace

void DrawLine(QPainter& p, QPointF at, const QString& text) {
    if (!drawFromGlyphs(p, at, text)) p.drawText(at, text);
}

} // namespace forms
