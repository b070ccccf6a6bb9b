#pragma once
// Pictures drawn on every tick without a painter, pixel for pixel as the
// paint engine draws them.

#include <QImage>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <utility>
#include <vector>

class QPainter;

namespace forms::detail {

// Draws an opaque 32-bit picture stretched, without smoothing, into a
// rectangle of a 32-bit image. Which source pixel each column and row takes
// is learned from the paint engine itself, by having it draw a picture of
// pixel coordinates, when a size and place come a second time; the ticks
// after that only copy.
class StretchCopy {
public:
    // False where this cannot, with `image` untouched: the caller paints.
    bool draw(QImage& image, const QRect& rect, const QImage& picture);

private:
    struct Learned {
        QSize from;
        QRect to;
        // Source column and how many columns take it; empty where the
        // engine does more than copy.
        std::vector<std::pair<int, int>> runs;
        std::vector<int> rows;
        bool once = false; // seen once, not learned yet
    };
    const Learned& learn(const QImage& image, const QRect& rect, QSize from);

    std::vector<Learned> learned_; // a few, most recent last
};

// What a painter draws over a picture box's image (its shapes and border),
// kept as the pixels it sets, so that it can be laid over a new image
// without a painter.
class KeptLayer {
public:
    // Records what `paint` sets on a control of `size`; unusable where it
    // blends with what lies under it.
    template <typename Paint> void record(QSize size, Paint&& paint) {
        QImage layer(size, QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        paint(layer);
        take(layer);
    }
    bool usable() const { return usable_; }
    // Sets the kept pixels on `look`, which shows the control from `origin`
    // on; returns where they lie, in the control's pixels.
    QRect apply(QImage& look, QPoint origin) const;

private:
    void take(const QImage& layer);

    struct Run {
        int y, x;
        std::uint32_t from; // into pixels_
        std::uint32_t length;
    };
    std::vector<Run> runs_;
    std::vector<QRgb> pixels_;
    QRect bounds_;
    bool usable_ = false;
};

} // namespace forms::detail
