#pragma once
// How a line is laid out from the glyphs and kerning pairs kept per font:
// shared by the ways a line is drawn and redrawn.

#include <QFont>
#include <QHash>
#include <QList>
#include <QPoint>
#include <QPointF>
#include <QRawFont>
#include <QRectF>
#include <QString>

#include <vector>

class QPaintDevice;
class QPainter;

namespace forms::detail {

struct Glyph {
    quint32 index = 0;
    QPointF advance; // to the next glyph, as laid out after itself
    QRectF ink;      // around its origin
};

// What one font on one kind of device lays out.
struct Face {
    QRawFont raw;
    QHash<char16_t, Glyph> glyphs;
    // How far a pair's second glyph stands from where the first's own
    // advance puts it; NaN where the pair is not two plain glyphs.
    QHash<quint32, QPointF> pairs;
    // What each glyph covers at a sub-pixel offset (in 1/64 pixel), as the
    // paint engine blends it: the glyph drawn white on black, cropped.
    struct Mask {
        QPoint from; // of the crop, from the pixel the glyph's origin lies in
        int width = 0;
        std::vector<uchar> alpha;
    };
    QHash<quint64, Mask> masks;
    int masksChecked = 0;    // lines checked against the painter
    bool masksWrong = false; // one came out differently: the painter draws
};

// A line's glyphs and where they stand, from the kept glyphs and pairs.
struct Laid {
    QList<quint32> indexes;
    QList<QPointF> positions;
    std::vector<QRectF> inks; // where each glyph draws
};

// `text` laid out on `device` from the glyphs and pairs kept for `font`;
// false where the kept glyphs cannot stand for it and it must be shaped.
bool layOutFromGlyphs(const QFont& font, const QPaintDevice* device, const QString& text,
                      Face*& face, Laid& out);
// `text`, which differs from `before` (laid out as `indexes` at `positions`)
// in some characters, laid out by putting in their glyphs; false where a
// glyph put in would move one (another advance or kerning pair). Leaves the
// inks out.
bool relayOutChanged(const QFont& font, const QPaintDevice* device, const QString& before,
                     const QString& text, const QList<quint32>& indexes,
                     const QList<QPointF>& positions, Face*& face, Laid& out);
// The laid-out glyphs drawn with their line's baseline starting at `at`.
void drawLaid(QPainter& p, QPointF at, const Face& f, const Laid& laid);

} // namespace forms::detail
