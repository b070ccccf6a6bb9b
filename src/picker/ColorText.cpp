#include "ColorText.h"

namespace picker {

// TODO(picker): exact conversions and the long-text rule.
QString ColorToHexDigits(std::uint32_t colour) {
    const std::uint32_t r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    return QString::asprintf("%02X%02X%02X", r, g, b);
}

QString ColorToHex(std::uint32_t colour) {
    return '#' + ColorToHexDigits(colour).toLower();
}

std::int32_t HexDigitValue(const QString& character) {
    if (character.isEmpty()) return 0;
    const int v = QStringLiteral("0123456789ABCDEF").indexOf(character.at(0).toUpper());
    return v < 0 ? 0 : v;
}

std::int32_t HexToColor(const QString& text) {
    (void)text;
    return 0;
}

} // namespace picker
