#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <limits>

namespace zoom {

// Design of the zoom window, in twips.
constexpr float kWindowWidth = 3975;  // 265 pixels at 15 twips per pixel
constexpr float kWindowHeight = 3510; // 234 pixels
constexpr float kCursorGap = 300;     // between the cursor and the nearest window edge
constexpr float kCoordLeft = 0;       // lblCoord, running past the right edge
constexpr float kCoordTop = 3240;
constexpr float kCoordWidth = 4455;
constexpr float kCoordHeight = 285;

// The source square at level 1 and its corner relative to the cursor.
constexpr int kSourceSide = 48;
constexpr int kSourceOffset = 24;

// Highest level whose zoom figure 48 * n still fits a 32-bit integer.
constexpr std::int32_t kMaxZoomLevel = std::numeric_limits<std::int32_t>::max() / kSourceSide;

// Side of the copied square at level n: 48 / n rounded halves-to-even,
// 0 from n = 96 on (nothing is copied then).
int SourceSide(std::int32_t n);

// "  X = 512  Y = 384  Zoom = x48".
QString CoordCaption(QPoint cursor, std::int32_t n);

// Next level after one wheel notch (+1 towards the user, -1 away); stays
// within 1 and kMaxZoomLevel.
std::int32_t StepZoomLevel(std::int32_t n, int notch);

// Where the window goes for a cursor position: 300 twips below and right of
// the cursor, or on the other side where the screen that holds the cursor
// leaves no room. `screen` is that screen's rectangle in pixels; the
// position is in twips of the whole desktop.
struct Placement {
    bool right = false;  // no room on the right: window left of the cursor
    bool bottom = false; // no room below: window above the cursor
    float left = 0;      // twips
    float top = 0;       // twips
};
Placement PlaceBesideCursor(QPoint cursor, const QRect& screen, float windowWidth,
                            float windowHeight, float twipsPerPixelX, float twipsPerPixelY);

} // namespace zoom
