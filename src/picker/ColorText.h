#pragma once

#include <QString>

#include <cstdint>

namespace picker {

// Colour value 0x00BBGGRR -> "#rrggbb" (lower case).
QString ColorToHex(std::uint32_t colour);
// The six upper-case digits RRGGBB of a colour value.
QString ColorToHexDigits(std::uint32_t colour);
// Any text -> colour value 0 to 0xFFFFFF; never fails. Every "#" is dropped,
// every other character is one hex digit (non-digits count as 0). A text
// whose digits spell more than 0xFFFFFF is read without surrounding white
// space, and if that is still too much, from its first six characters only.
std::int32_t HexToColor(const QString& text);
// A text of exactly one character -> 0..15; anything else gives 0.
std::int32_t HexDigitValue(const QString& character);

// Every channel replaced by 255 minus its value.
constexpr std::uint32_t ContrastColor(std::uint32_t c) {
    return ((c ^ 0xFF0000u) & 0xFF0000u) + ((c ^ 0xFF00u) & 0xFF00u) + ((c ^ 0xFFu) & 0xFFu);
}

} // namespace picker
