#pragma once

#include <QImage>
#include <QRgb>
#include <QSize>
#include <QString>

namespace ruler {

// The scale's label face: digits three pixels wide and five high with one
// pixel between them, kept as pixel text like the window's images. A scalable
// face at this size makes "1000" wider than the 20 pixels between labels; these
// digits keep even five-digit numbers narrow and every label crisp.
//
// At higher DPI every face pixel becomes a square block, `scale` pixels wide.
int LabelFaceScale(float twipsPerPixel);

// Pixel size of a label of `digits` digits.
QSize LabelSize(int digits, int scale);

// The label drawn in `ink` on a transparent background; characters other than
// the digits 0 to 9 leave their cell empty.
QImage LabelImage(const QString& text, int scale, QRgb ink);

} // namespace ruler
