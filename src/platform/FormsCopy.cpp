#include "FormsCopy.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

namespace forms::detail {

namespace {
// Pixel coordinates fit a 32-bit pixel's 24 colour bits, 12 bits each.
constexpr int kCoordBits = 12;
constexpr int kMaxSide = 1 << kCoordBits;
constexpr std::size_t kKept = 4;
// A picture box changed on every tick is small; a large one is painted as
// before, its geometry not worth learning.
constexpr qint64 kMaxArea = 1 << 16;
} // namespace

bool StretchCopy::draw(QImage& image, const QRect& rect, const QImage& picture) {
    if (image.format() != QImage::Format_RGB32 || picture.format() != QImage::Format_RGB32 ||
        &picture == &image || rect.isEmpty() || picture.isNull() || !image.rect().contains(rect) ||
        picture.width() > kMaxSide || picture.height() > kMaxSide ||
        qint64(rect.width()) * rect.height() > kMaxArea ||
        qint64(picture.width()) * picture.height() > kMaxArea)
        return false;
    const Learned& l = learn(image, rect, picture.size());
    if (l.runs.empty()) return false;
    // Runs of columns that take the same source column are filled, and rows
    // that take the same source row as the one above are copied from it.
    uchar* bits = image.bits();
    const qsizetype line = image.bytesPerLine();
    const std::size_t bytes = std::size_t(rect.width()) * 4;
    for (int y = 0; y < rect.height(); ++y) {
        auto* dst = reinterpret_cast<QRgb*>(bits + (rect.top() + y) * line) + rect.left();
        if (y > 0 && l.rows[std::size_t(y)] == l.rows[std::size_t(y) - 1]) {
            std::memcpy(dst, reinterpret_cast<const uchar*>(dst) - line, bytes);
            continue;
        }
        const auto* src =
            reinterpret_cast<const QRgb*>(picture.constScanLine(l.rows[std::size_t(y)]));
        for (const auto& [column, length] : l.runs) {
            std::fill_n(dst, length, src[column]);
            dst += length;
        }
    }
    return true;
}

const StretchCopy::Learned& StretchCopy::learn(const QImage& image, const QRect& rect, QSize from) {
    const auto known = std::find_if(learned_.begin(), learned_.end(), [&](const Learned& l) {
        return l.from == from && l.to == rect;
    });
    if (known == learned_.end()) {
        // A geometry drawn once is painted; one drawn again is learned.
        if (learned_.size() == kKept) learned_.erase(learned_.begin());
        return learned_.emplace_back(Learned{from, rect, {}, {}, true});
    }
    std::rotate(known, known + 1, learned_.end());
    Learned& l = learned_.back();
    if (!l.once) return l;
    l.once = false;

    // Each source pixel holds its own coordinates; the engine draws them
    // where it would draw the picture, on an image like the one drawn on.
    QImage coords(from, QImage::Format_RGB32);
    for (int y = 0; y < from.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(coords.scanLine(y));
        for (int x = 0; x < from.width(); ++x)
            row[x] = 0xFF000000u | QRgb(y) << kCoordBits | QRgb(x);
    }
    QImage drawn(image.size(), QImage::Format_RGB32);
    drawn.fill(0);
    {
        QPainter p(&drawn);
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(rect, coords);
    }
    const auto at = [&](int x, int y) {
        const QRgb v = drawn.pixel(rect.left() + x, rect.top() + y) & 0xFFFFFFu;
        return std::pair<int, int>(int(v & (kMaxSide - 1)), int(v >> kCoordBits));
    };
    std::vector<int> columns(std::size_t(rect.width())), rows(std::size_t(rect.height()));
    for (int x = 0; x < rect.width(); ++x)
        columns[std::size_t(x)] = at(x, 0).first;
    for (int y = 0; y < rect.height(); ++y)
        rows[std::size_t(y)] = at(0, y).second;
    // Only a plain copy of one column and one row per pixel can be replayed.
    for (int y = 0; y < rect.height(); ++y)
        for (int x = 0; x < rect.width(); ++x) {
            const auto [cx, cy] = at(x, y);
            if (cx != columns[std::size_t(x)] || cy != rows[std::size_t(y)] || cx >= from.width() ||
                cy >= from.height() || (drawn.pixel(rect.left() + x, rect.top() + y) >> 24) != 0xFF)
                return l;
        }
    for (std::size_t x = 0; x < columns.size(); ++x)
        if (x > 0 && columns[x] == columns[x - 1])
            ++l.runs.back().second;
        else
            l.runs.emplace_back(columns[x], 1);
    l.rows = std::move(rows);
    return l;
}

void KeptLayer::take(const QImage& layer) {
    runs_.clear();
    pixels_.clear();
    bounds_ = QRect();
    usable_ = true;
    for (int y = 0; y < layer.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
        for (int x = 0; x < layer.width();) {
            const QRgb alpha = row[x] >> 24;
            if (alpha == 0) {
                ++x;
                continue;
            }
            if (alpha != 0xFF) { // a blend: what it shows depends on what lies under it
                usable_ = false;
                return;
            }
            const int start = x;
            while (x < layer.width() && row[x] >> 24 == 0xFF)
                ++x;
            runs_.push_back(Run{y, start, std::uint32_t(pixels_.size()), std::uint32_t(x - start)});
            pixels_.insert(pixels_.end(), row + start, row + x);
            bounds_ |= QRect(start, y, x - start, 1);
        }
    }
}

QRect KeptLayer::apply(QImage& look, QPoint origin) const {
    const QRect shown(origin, look.size());
    for (const Run& r : runs_) {
        const int y = r.y - origin.y();
        if (y < 0 || y >= look.height()) continue;
        const int from = std::max(r.x, shown.left()),
                  to = std::min(r.x + int(r.length), shown.right() + 1);
        if (from >= to) continue;
        std::memcpy(reinterpret_cast<QRgb*>(look.scanLine(y)) + (from - origin.x()),
                    pixels_.data() + r.from + (from - r.x), std::size_t(to - from) * 4);
    }
    return bounds_ & shown;
}

} // namespace forms::detail
