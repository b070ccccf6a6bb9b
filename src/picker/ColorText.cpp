#include "ColorText.h"

#include <optional>

namespace picker {

namespace {

constexpr std::uint32_t kMaxDigits = 0xFFFFFF;

int digitOf(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    return 0;
}

// The number the characters of s other than "#" spell in hex, or nullopt once
// it passes 0xFFFFFF. Reading from the left stops early, so a text of any
// length costs one pass and nothing can overflow.
std::optional<std::uint32_t> digitsValue(QStringView s) {
    std::uint32_t v = 0;
    for (const QChar c : s) {
        if (c == QLatin1Char('#')) continue;
        v = v * 16 + std::uint32_t(digitOf(c));
        if (v > kMaxDigits) return std::nullopt;
    }
    return v;
}

// RRGGBB -> 0x00BBGGRR.
std::int32_t swapRedBlue(std::uint32_t v) {
    return std::int32_t(((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF));
}

// "#" (when given) and the six digits RRGGBB of a colour value in one string.
QString hexText(std::uint32_t colour, bool hash, const char16_t (&digits)[17]) {
    // Red is the lowest byte of the value but comes first in the text.
    const std::uint32_t rgb = ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
    const int start = hash ? 1 : 0;
    QString h(start + 6, Qt::Uninitialized);
    if (hash) h[0] = QLatin1Char('#');
    for (int i = start + 5, v = int(rgb); i >= start; --i, v >>= 4)
        h[i] = QChar(digits[v & 0xF]);
    return h;
}

} // namespace

QString ColorToHexDigits(std::uint32_t colour) {
    return hexText(colour, false, u"0123456789ABCDEF");
}

QString ColorToHex(std::uint32_t colour) {
    return hexText(colour, true, u"0123456789abcdef");
}

std::int32_t HexDigitValue(const QString& character) {
    return character.size() == 1 ? digitOf(character.at(0)) : 0;
}

std::int32_t HexToColor(const QString& text) {
    if (const auto v = digitsValue(text)) return swapRedBlue(*v);
    // Spaces and line breaks count as digits, so a colour copied with a
    // trailing line break or blank spells a number far beyond a colour. Read
    // it without them; and what is still too long (say #rrggbbaa or a colour
    // followed by other text) by its first six characters.
    const QString s = QString(text).remove(QLatin1Char('#'));
    const QStringView trimmed = QStringView(s).trimmed();
    if (const auto v = digitsValue(trimmed)) return swapRedBlue(*v);
    return swapRedBlue(digitsValue(trimmed.first(6)).value_or(0));
}

} // namespace picker
