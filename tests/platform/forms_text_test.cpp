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

// A slot's text printed without a painter, on fills and inks of every kind,
// partly outside the picture too: the painter's pixels, and no line left to
// the painter once the first few were checked against it.
TEST(Text, ALinePrintedWithoutAPainterHasThePaintersPixels) {
    QFont slot = forms::SmallFont();
    slot.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    struct Row {
        const char* text;
        QRgb back, ink;
        int x;
    };
    const Row rows[] = {
        {"#ffffff", 0xFF000000, 0xFFFFFFFF, 0},  {"#1a2b3c", 0xFFFFFFFF, 0xFF000000, 0},
        {"#d04020", 0xFFD04020, 0xFFFFFFFF, 0},  {"#7f7f80", 0xFF7F7F80, 0xFF000000, 0},
        {"#abcdef", 0xFF123456, 0xFFC0FFEE, -5}, {"#0e0f1d", 0xFFF0F0E0, 0xFF3060A0, 30},
        {"Wy7 AV", 0xFF204080, 0xFFFFFF00, 1}};
    for (const QFont& font : {slot, forms::SmallFont()})
        for (const Row& r : rows) {
            SCOPED_TRACE(testing::Message() << r.text << " in " << font.toString().toStdString());
            QImage printed(41, 17, QImage::Format_RGB32);
            printed.fill(r.back);
            QImage painted = printed.copy();
            const QPointF at(r.x, QFontMetricsF(font, &printed).ascent() + 2);
            {
                QPainter p(&painted);
                p.setFont(font);
                p.setPen(QColor::fromRgb(r.ink));
                forms::DrawLine(p, at, QString::fromLatin1(r.text));
            }
            EXPECT_TRUE(forms::PrintLine(printed, font, at, QString::fromLatin1(r.text), r.ink));
            EXPECT_EQ(printed, painted);
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

namespace {

// A read-out whose figures change is redrawn where they changed, and comes
// out as the whole line drawn anew would.
TEST(Text, ARedrawnChangeHasTheWholeLinesPixels) {
    QFont bold(QStringLiteral("Liberation Sans"));
    bold.setPointSizeF(8.25);
    bold.setWeight(QFont::Bold);
    struct Change {
        const char* before;
        const char* text;
        bool partial;               // only some columns are redrawn
        bool inCells;               // also without a painter, glyph by glyph
        const char* then = nullptr; // and on from there, else back again
    };
    const Change kChanges[] = {
        {"  X = 1117  Y = 1011  Zoom = x480", "  X = 1118  Y = 1011  Zoom = x480", true, true},
        {"  X = 1117  Y = 1011  Zoom = x480", "  X = 1417  Y = 1711  Zoom = x480", true, false},
        {"  X = 1117  Y = 1011  Zoom = x480", "  X = 1117  Y = 1011  Zoom = x480", true, true},
        {"  X = 1118  Y = 1013  Zoom = x480", "  X = 1119  Y = 1014  Zoom = x480", true, true},
        // A pair that kerns moves the glyphs after it, also from kept cells.
        {"  X = 1218  Y = 1013", "  X = 1219  Y = 1013", true, true, "  X = 1119  Y = 1013"},
        {"AV 8", "AV 8", true, true, "AY 8"},      // as wide, kerned apart
        {"AV 11", "AT 17", true, false},           // kerned pairs that change
        {"  X = 999", "  X = 1000", false, false}, // another length
        {"a e\u0301", "a e\u0300", false, false},  // marks are shaped, never redrawn in part
    };
    const QColor back(0xC0, 0xFF, 0xFF);
    for (const QFont& font : {bold, forms::SmallFont()}) {
        forms::LineCells kept;
        for (const Change& c : kChanges) {
            QImage redrawn(220, 20, QImage::Format_RGB32), whole = redrawn;
            const QPointF at(2, QFontMetricsF(font, &redrawn).ascent() + 2);
            const auto draw = [&](QImage& img, const QString& text) {
                QPainter p(&img);
                p.setFont(font);
                p.fillRect(img.rect(), back);
                forms::DrawLine(p, at, text);
            };
            draw(redrawn, c.before);
            draw(whole, c.text);
            std::optional<QRect> columns;
            {
                QPainter p(&redrawn);
                p.setFont(font);
                columns = forms::RedrawLineChange(p, at, c.before, c.text, back, redrawn.rect());
            }
            EXPECT_EQ(columns.has_value(), c.partial) << c.text;
            if (columns) {
                EXPECT_LT(columns->width(), redrawn.width()) << c.text;
                EXPECT_EQ(redrawn, whole)
                    << c.before << " -> " << c.text << " in " << font.toString().toStdString();
            }
            // On the fill and, as a transparent label, on a striped picture;
            // there and back (or on): the second step finds the line and its
            // cells kept.
            QImage stripes(redrawn.size(), QImage::Format_RGB32);
            for (int x = 0; x < stripes.width(); ++x)
                for (int y = 0; y < stripes.height(); ++y)
                    stripes.setPixel(x, y, x % 3 ? qRgb(255, 255, 255) : qRgb(x, 40, 200 - y));
            for (const QImage* under :
                 {static_cast<const QImage*>(nullptr), static_cast<const QImage*>(&stripes)}) {
                const auto draw = [&](const QString& text) {
                    QImage img = under ? *under : redrawn;
                    img.setDotsPerMeterX(redrawn.dotsPerMeterX());
                    img.setDotsPerMeterY(redrawn.dotsPerMeterY());
                    QPainter p(&img);
                    p.setFont(font);
                    if (!under) p.fillRect(img.rect(), back);
                    forms::DrawLine(p, at, text);
                    return img;
                };
                QImage cells = draw(c.before);
                for (const auto& [from, to] :
                     {std::pair(c.before, c.text), std::pair(c.text, c.then ? c.then : c.before)}) {
                    const auto changed = forms::RedrawLineCells(kept, cells, font, at, from, to,
                                                                qRgb(0, 0, 0), back.rgb(), under);
                    if (c.inCells && to != c.then) {
                        EXPECT_TRUE(changed.has_value()) << to;
                    }
                    if (!changed) break; // the painter would draw the line anew
                    EXPECT_EQ(cells, draw(to))
                        << from << " -> " << to << " in cells of " << font.toString().toStdString()
                        << (under ? " on stripes" : "");
                }
            }
        }
    }
}

} // namespace
