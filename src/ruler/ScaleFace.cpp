#include "ScaleFace.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ruler {

namespace {

constexpr int kDigitWidth = 3;
constexpr int kDigitHeight = 5;
constexpr int kDigitGap = 1;

// Digits 0 to 9, one blank column between them in this table.
// clang-format off
constexpr const char* kDigits[kDigitHeight] = {
    "### .#. ### ### #.# ### ### ### ### ###",
    "#.# ##. ..# ..# #.# #.. #.. ..# #.# #.#",
    "#.# .#. ### .## ### ### ### .#. ### ###",
    "#.# .#. #.. ..# ..# ..# #.# .#. #.# ..#",
    "### ### ### ### ..# ### ### .#. ### ###",
};
// clang-format on

} // namespace

int LabelFaceScale(float twipsPerPixel) {
    // 15 twips per pixel is 96 dpi, where the face has its own size.
    const double factor = 15.0 / double(twipsPerPixel);
    return std::max(1, int(std::lround(factor)));
}

QSize LabelSize(int digits, int scale) {
    if (digits <= 0) return QSize(0, kDigitHeight * scale);
    return QSize((digits * kDigitWidth + (digits - 1) * kDigitGap) * scale, kDigitHeight * scale);
}

QImage LabelImage(const QString& text, int scale, QRgb ink) {
    const QSize size = LabelSize(int(text.size()), scale);
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    for (int i = 0; i < text.size(); ++i) {
        const int d = text.at(i).unicode() - '0';
        if (d < 0 || d > 9) continue;
        const int cellLeft = i * (kDigitWidth + kDigitGap) * scale;
        for (int y = 0; y < kDigitHeight; ++y)
            for (int x = 0; x < kDigitWidth; ++x)
                if (kDigits[y][d * (kDigitWidth + 1) + x] == '#')
                    p.fillRect(cellLeft + x * scale, y * scale, scale, scale, QColor(ink));
    }
    return img;
}

} // namespace ruler
