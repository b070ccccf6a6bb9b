#include "platform/Forms.h"
#include "platform/FormsText.h"

#include <QFontMetricsF>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

TEST(Text, ALineFromKeptGlyphsHasTheShapedLinesPixels) {
    QFont bold(QStringLiteral("Liberation Sans"));
    bold.setPointSizeF(8.25);
    bold.setWeight(QFont::Bold);
    QFont spaced = forms::SmallFont();
    spaced.setLetterSpacing(QFont::AbsoluteSpacing, 1);
    // Kerned pairs (11, Yo, AV), umlauts, a ligature, a combining mark,
    // another script, and each text twice so the second comes from the cache.
    const QString texts[] = {"  X = 1117  Y = 1011  Zoom = x480",
                             "-17",
                             "AVAToYo 11",
                             "Größe ÄÖÜ ß",
                             "fi ffl",
                             "e\u0301",
                             "ش ع",
                             "",
                             "#a0b1c2",
                             "-17",
                             "  X = 1117  Y = 1011  Zoom = x480",
                             "AVAToYo 11"};
    for (const QFont& font : {bold, forms::SmallFont(), spaced})
        for (const QString& text : texts) {
            QImage shaped(220, 20, QImage::Format_RGB32), kept = shaped;
            shaped.fill(Qt::yellow);
            kept.fill(Qt::yellow);
            for (QImage* img : {&shaped, &kept}) {
                QPainter p(img);
                p.setFont(font);
                const QPointF at(2, QFontMetricsF(font, img).ascent() + 2);
                if (img == &shaped)
                    p.drawText(at, text);
                else
                    forms::DrawLine(p, at, text);
            }
            EXPECT_EQ(kept, shaped)
                << text.toStdString() << " in " << font.toString().toStdString();
        }
}

TEST(Images, PixelTextWithALegend) {
    const char* const rows[] = {"#.", ".o"};
    const QImage img =
        forms::imageFromText(rows, 2, {{'#', qRgb(0, 0, 0)}, {'o', qRgb(255, 255, 255)}});
    EXPECT_EQ(img.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(qAlpha(img.pixel(1, 0)), 0);
    EXPECT_EQ(img.pixel(1, 1), qRgb(255, 255, 255));
}

} // namespace
