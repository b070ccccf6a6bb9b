#include "picker/ColorText.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using picker::ColorToHex;
using picker::HexDigitValue;
using picker::HexToColor;

TEST(ColorText, ColorToHexWritesRedGreenBlue) {
    const struct {
        std::uint32_t colour;
        const char* text;
    } rows[] = {
        {0x000000, "#000000"}, {0xFFFFFF, "#ffffff"}, {0x0000FF, "#ff0000"}, {0x00FF00, "#00ff00"},
        {0xFF0000, "#0000ff"}, {0x0080FF, "#ff8000"}, {0x00A0B0, "#b0a000"}, {0x010203, "#030201"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(ColorToHex(r.colour), QString::fromLatin1(r.text)) << std::hex << r.colour;
}

TEST(ColorText, HexToColorWithinRange) {
    const struct {
        const char* text;
        std::int32_t colour;
    } rows[] = {
        {"#ff8000", 0x0080FF},
        {"#FF8000", 0x0080FF},
        {"ff8000", 0x0080FF},
        {"Ff8000", 0x0080FF},
        {"#0000ff", 0xFF0000},
        {"#fff", 0xFF0F00}, // read as #000fff
        {"", 0},
        {"#", 0},
        {"###", 0},
        {"#1#2#3", 0x230100}, // every # goes, 123 is #000123
        {"#zz0000", 0},       // non-digits count as 0 but keep their place
        {"#ff8 00", 0x0080FF},
        {" #ff8000", 0x0080FF}, // a leading blank is a leading 0
        {"#fff ", 0xF0FF00},    // a trailing blank within range is the digit 0
        {"#ffffff", 0xFFFFFF},
        {"00000000ffffff", 0xFFFFFF}, // leading zeros never overflow
        {"äöü", 0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(HexToColor(QString::fromUtf8(r.text)), r.colour) << r.text;
}

// Texts spelling more than 0xFFFFFF: surrounding white space is ignored,
// whatever is still too long is read from its first six characters.
TEST(ColorText, HexToColorBeyondRange) {
    const struct {
        const char* text;
        std::int32_t colour;
    } rows[] = {
        {"#ff8000\n", 0x0080FF},        {"#ff8000\r\n", 0x0080FF}, {"#ff8000 ", 0x0080FF},
        {"\t #FF8000 \n", 0x0080FF},    {"#ff8000cc", 0x0080FF}, // with alpha
        {"#ff8000;", 0x0080FF},                                  // as copied from a style sheet
        {"#0080ff and more", 0xFF8000}, {"1234567", 0x563412},   // first six: 123456
        {"ffffffffffffffff", 0xFFFFFF}, {"80000000", 0x000080}, // would be negative as a 32-bit sum
        {"#fff \n", 0x00FF0F}, // still within range: both blanks are digits
    };
    for (const auto& r : rows)
        EXPECT_EQ(HexToColor(QString::fromUtf8(r.text)), r.colour) << r.text;
}

TEST(ColorText, HexToColorOfHugeAndBinaryTextsStaysAColour) {
    const QString texts[] = {
        QString(1 << 20, QChar('f')),
        QString(1 << 20, QChar(' ')) + "#ff8000" + QString(1 << 20, QChar('\n')),
        QString::fromUtf8("\xf0\x9f\x98\x80\xf0\x9f\x98\x80\xf0\x9f\x98\x80\xf0\x9f\x98\x80"),
        QString(QChar(0)) + "ff8000" + QString(3, QChar(0)),
    };
    for (const QString& t : texts) {
        const std::int32_t c = HexToColor(t);
        EXPECT_GE(c, 0);
        EXPECT_LE(c, 0xFFFFFF);
    }
    EXPECT_EQ(HexToColor(texts[1]), 0x0080FF);
}

TEST(ColorText, HexDigitValueOfOneCharacter) {
    const struct {
        const char* c;
        std::int32_t v;
    } rows[] = {{"0", 0}, {"9", 9}, {"A", 10}, {"a", 10}, {"F", 15}, {"f", 15}, {"G", 0}, {"g", 0},
                {"#", 0}, {" ", 0}, {"", 0},   {"ff", 0}, {"\n", 0}, {"ä", 0},  {"Ａ", 0}};
    for (const auto& r : rows)
        EXPECT_EQ(HexDigitValue(QString::fromUtf8(r.c)), r.v) << r.c;
}

TEST(ColorText, EveryColourSurvivesTheRoundTrip) {
    int wrong = 0;
    for (std::uint32_t c = 0; c <= 0xFFFFFF; ++c)
        if (HexToColor(ColorToHex(c)) != std::int32_t(c)) ++wrong;
    EXPECT_EQ(wrong, 0);
    // Upper case and without "#" on a sample.
    for (std::uint32_t c = 0; c <= 0xFFFFFF; c += 0x10101 * 7 + 3) {
        const QString t = ColorToHex(c);
        EXPECT_EQ(HexToColor(t.toUpper()), std::int32_t(c)) << std::hex << c;
        EXPECT_EQ(HexToColor(t.mid(1)), std::int32_t(c)) << std::hex << c;
    }
}

} // namespace
