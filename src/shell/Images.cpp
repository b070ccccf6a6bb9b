#include "Images.h"

#include "platform/Forms.h"

#include <QPixmap>

namespace shell {

namespace {

// '#' black, '.' white for the buttons; '.' transparent for icon and cursors.
const char* const kClose[] = {
    ".........", ".........", "..#...#..", "...#.#...", "....#....",
    "...#.#...", "..#...#..", ".........", ".........",
};

const char* const kLineal[] = {
    ".........", ".......##", ".........", ".....####", ".........",
    ".......##", ".........", ".....####", ".........",
};

const char* const kColor[] = {
    ".........", ".....###.", ".....###.", "....#....", "...#.....",
    "..#......", ".#.......", ".######..", ".........",
};

const char* const kZoom[] = {
    ".........", "..###....", ".#...#...", ".#...#...", ".#...#...",
    "..###.#..", "......#..", ".......#.", ".........",
};

const char* const kResizeH[] = {
    ".........", ".........", "..#...#..", ".##...##.", "#########",
    ".##...##.", "..#...#..", ".........", ".........",
};

const char* const kResizeV[] = {
    "....#....", "...###...", "..#####..", "....#....", "....#....",
    "....#....", "..#####..", "...###...", "....#....",
};

const char* const kOnTopInactive[] = {
    ".........", ".#######.", ".#.....#.", ".#.....#.", ".#.###.#.",
    ".#.....#.", ".#.....#.", ".#######.", ".........",
};

const char* const kOnTopActive[] = {
    ".........", ".#######.", ".#.....#.", ".#..#..#.", ".#.###.#.",
    ".#..#..#.", ".#.....#.", ".#######.", ".........",
};

// Ruler bar in rows 4 to 11, yellow inside, ticks rising from the lower edge.
const char* const kRulerIcon[] = {
    "................", "................", "................", "................",
    "################", "#yyyyyyyyyyyyyy#", "#yyyyyyyyyyyyyy#", "#yyyyyyyyyyyyyy#",
    "#y#yyy#yyy#yyy##", "#y#y#y#y#y#y#y##", "#y#y#y#y#y#y#y##", "################",
    "................", "................", "................", "................",
};

const char* const kHorizontalCursor[] = {
    "..#.............................", ".###............................",
    "#.#.#...........................", "..#.............................",
    "..#.............................", "..#.............................",
    "..#.............................", "..#.............................",
    "..#.............................", "..#.............................",
    "..#.............................", "..#.............................",
    "..#.............................", "..#.............................",
    "..#.............................", "..#.............................",
    "..#.............................", "..#.............................",
    "..#.............................", "..#.............................",
    "..#.............................", "..#.............................",
    "..#.............................", "..#.............................",
    "..#.............................", "..#.............................",
    "..#.............................", "..#.............................",
    "..#.............................", "..#.............................",
    "..#.............................", "..#.............................",
};

const char* const kVerticalCursor[] = {
    "..#.............................", ".#..............................",
    "################################", ".#..............................",
    "..#.............................", "................................",
    "................................", "................................",
    "................................", "................................",
    "................................", "................................",
    "................................", "................................",
    "................................", "................................",
    "................................", "................................",
    "................................", "................................",
    "................................", "................................",
    "................................", "................................",
    "................................", "................................",
    "................................", "................................",
    "................................", "................................",
    "................................", "................................",
};

// Hot spot of both ruler pointers; the hairline then stands one pixel right
// of (below) the reported position, on the pixel the read-out names.
constexpr int kCursorHotX = 1, kCursorHotY = 1;

QImage button(const char* const* rows) {
    QImage img = forms::imageFromText(rows, 9, {{'#', qRgb(0, 0, 0)}, {'.', qRgb(255, 255, 255)}});
    return img.convertToFormat(QImage::Format_RGB32);
}

QImage pointer(const char* const* rows) {
    return forms::imageFromText(rows, 32, {{'#', qRgb(0, 0, 0)}});
}

} // namespace

QImage CloseImage() {
    return button(kClose);
}
QImage LinealImage() {
    return button(kLineal);
}
QImage ColorImage() {
    return button(kColor);
}
QImage ZoomImage() {
    return button(kZoom);
}
QImage ResizeHImage() {
    return button(kResizeH);
}
QImage ResizeVImage() {
    return button(kResizeV);
}
QImage OnTopInactiveImage() {
    return button(kOnTopInactive);
}
QImage OnTopActiveImage() {
    return button(kOnTopActive);
}

QImage RulerIconImage() {
    return forms::imageFromText(kRulerIcon, 16, {{'#', qRgb(0, 0, 0)}, {'y', qRgb(255, 255, 0)}});
}

QIcon RulerIcon() {
    return QIcon(QPixmap::fromImage(RulerIconImage()));
}

QImage HorizontalRulerCursorImage() {
    return pointer(kHorizontalCursor);
}
QImage VerticalRulerCursorImage() {
    return pointer(kVerticalCursor);
}

QCursor HorizontalRulerCursor() {
    return QCursor(QPixmap::fromImage(HorizontalRulerCursorImage()), kCursorHotX, kCursorHotY);
}

QCursor VerticalRulerCursor() {
    return QCursor(QPixmap::fromImage(VerticalRulerCursorImage()), kCursorHotX, kCursorHotY);
}

} // namespace shell
