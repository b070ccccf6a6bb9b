#pragma once

#include <QPointF>
#include <QRect>
#include <QString>

#include <optional>

class QColor;
class QPainter;

namespace forms {

// Draws `text` on one line, its baseline starting at `at`, with the
// painter's font and pen: the same pixels as QPainter::drawText. A read-out
// that changes on every tick is drawn from glyphs and kerning pairs kept per
// font instead of being shaped anew each time; text the kept glyphs cannot
// stand for (ligatures, marks, other scripts, a fallback font) is shaped.
void DrawLine(QPainter& p, QPointF at, const QString& text);

// Turns a line that DrawLine drew from `before` on a fill of `back` within
// `area` into the same pixels as that fill with `text` drawn on it, redrawing
// only the columns where glyphs differ. Returns those columns (spanning
// `area`'s height; empty where nothing differs), or nothing where the two
// texts lay out differently and the whole line must be drawn again.
std::optional<QRect> RedrawLineChange(QPainter& p, QPointF at, const QString& before,
                                      const QString& text, const QColor& back, const QRect& area);

} // namespace forms
