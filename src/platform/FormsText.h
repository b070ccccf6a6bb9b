#pragma once

#include <QFont>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRect>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

class QColor;
class QPainter;

namespace forms {

// Draws `text` on one line, its baseline starting at `at`, with the
// painter's font and pen: the same pixels as QPainter::drawText. A read-out
// that changes on every tick is drawn from glyphs and kerning pairs kept per
// font instead of being shaped anew each time; text the kept glyphs cannot
// stand for (ligatures, marks, other scripts, a fallback font) is shaped.
void DrawLine(QPainter& p, QPointF at, const QString& text);

// Draws what DrawLine draws with an opaque pen of `ink` on an opaque 32-bit
// image, without a painter: each glyph's coverage is kept per sub-pixel
// offset and blended as the paint engine blends it, glyph after glyph. False
// where it cannot, with the image untouched.
bool PrintLine(QImage& image, const QFont& font, QPointF at, const QString& text, QRgb ink);

// Turns a line that DrawLine drew from `before` on a fill of `back` within
// `area` into the same pixels as that fill with `text` drawn on it, redrawing
// only the columns where glyphs differ. Returns those columns (spanning
// `area`'s height; empty where nothing differs), or nothing where the two
// texts lay out differently and the whole line must be drawn again.
std::optional<QRect> RedrawLineChange(QPainter& p, QPointF at, const QString& before,
                                      const QString& text, const QColor& back, const QRect& area);

// The glyphs of one label's line as drawn in their own columns, kept from
// redraw to redraw; see RedrawLineCells.
struct LineCells {
    QFont font;
    int dpiX = 0, dpiY = 0, height = 0;
    QRgb fore = 0, back = 0;
    QPointF at;
    qint64 under = 0; // the picture the line lies on, if not a fill
    QString text;     // what `indexes` and `positions` lay out
    QList<quint32> indexes;
    QList<QPointF> positions;
    std::vector<int> lefts;                 // where each glyph's cell starts
    std::vector<std::pair<int, int>> spans; // the columns each glyph covers
    // How many columns a glyph at an offset into a cell of a width covers
    // left and right of that cell.
    QHash<quint64, std::pair<int, int>> reach;
    // A cell's columns, by its width and the glyphs that reach into it.
    QHash<std::pair<quint64, quint64>, QImage> tiles;
};

// Does what RedrawLineChange does on a picture of the whole label (32-bit,
// its line drawn by DrawLine at `at` on a fill of `back`, or on `under`
// where given), without a painter: each glyph of the line owns the columns from its origin to the
// next glyph's, and where glyphs changed, the columns they reach are copied
// from the same glyphs drawn there once before. Returns nothing where glyphs
// moved; the caller then draws with a painter.
std::optional<QRect> RedrawLineCells(LineCells& kept, QImage& image, const QFont& font, QPointF at,
                                     const QString& before, const QString& text, QRgb fore,
                                     QRgb back, const QImage* under = nullptr);

} // namespace forms
