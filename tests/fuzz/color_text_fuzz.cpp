// Pasted clipboard text -> colour: always a colour in range, and the colour's
// own text reads back as the same colour.
#include "picker/ColorText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::int32_t colour = picker::HexToColor(text);
    if (colour < 0 || colour > 0xFFFFFF) std::abort();
    const QString hex = picker::ColorToHex(std::uint32_t(colour));
    if (hex.size() != 7 || hex[0] != '#') std::abort();
    for (qsizetype i = 1; i < hex.size(); ++i)
        if (!((hex[i] >= '0' && hex[i] <= '9') || (hex[i] >= 'a' && hex[i] <= 'f'))) std::abort();
    if (picker::HexToColor(hex) != colour) std::abort();
    return 0;
}
