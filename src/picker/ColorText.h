#pragma once

#include <QString>

#include <cstdint>

namespace picker {

// Colour value 0x00BBGGRR -> "#rrggbb" (lower case).
QString ColorToHex(std::uint32_t colour);
// The six upper-case digits RRGGBB of a colour value.
QString ColorToHexDigits(std::uint32_t colour);
// Any text -> colour value; never fails (see the README for long texts).
std::int32_t HexToColor(const QString& text);
// One character -> 0..15; anything that is not a hex digit gives 0.
std::int32_t HexDigitValue(const QString& character);

// Every channel replaced by 255 minus its value.
constexpr std::uint32_t ContrastColor(std::uint32_t c) {
    return ((c ^ 0xFF0000u) & 0xFF0000u) + ((c ^ 0xFF00u) & 0xFF00u) + ((c ^ 0xFFu) & 0xFFu);
}

} // namespace picker
