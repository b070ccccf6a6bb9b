#pragma once

#include <QPointF>
#include <QString>

class QPainter;

namespace forms {

// Draws `text` on one line, its baseline starting at `at`, with the
// painter's font and pen: the same pixels as QPainter::drawText. A read-out
// that changes on every tick is drawn from glyphs and kerning pairs kept per
// font instead of being shaped anew each time; text the kept glyphs cannot
// stand for (ligatures, marks, other scripts, a fallback font) is shaped.
void DrawLine(QPainter& p, QPointF at, const QString& text);

} // namespace forms
