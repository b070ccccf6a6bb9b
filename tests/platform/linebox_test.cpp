#include "platform/FakeDesktop.h"
#include "platform/Forms.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

class Surface : public forms::Form {
public:
    explicit Surface(platform::DesktopServices& sys) : forms::Form(sys, true), pic(*this, this) {
        pic.setScaleMode(forms::ScaleMode::Pixels);
        pic.setBackColor(0x00FFFFFF);
        pic.Move(0, 0, 20 * 15, 10 * 15);
    }
    forms::PictureBox pic;
};

// Which columns of row 5 a box from (2, 1) to (15, 8) covers.
TEST(LineBox, PenCentredOnTheCornerPixels) {
    struct Row {
        int pen;
        const char* row5; // '#' drawn
    };
    const Row kRows[] = {
        {1, "..#............#...."},
        {3, ".###..........###..."},
        {5, "#####........#####.."},
        {2, "..##...........##..."},
    };
    platform::FakeDesktop desk;
    for (const Row& r : kRows) {
        Surface f(desk);
        f.pic.LineBox(2, 1, 15, 8, 0x00000000, r.pen);
        std::string got;
        for (int x = 0; x < 20; ++x)
            got += f.pic.image().pixel(x, 5) == qRgb(0, 0, 0) ? '#' : '.';
        EXPECT_EQ(got, r.row5) << "pen " << r.pen;
        // The top edge: row 1 is drawn from column 2 - pen/2 on.
        EXPECT_EQ(f.pic.image().pixel(8, 1), qRgb(0, 0, 0)) << "pen " << r.pen;
        EXPECT_EQ(f.pic.image().pixel(8, 1 + r.pen / 2 + 1), qRgb(255, 255, 255))
            << "pen " << r.pen;
    }
}

} // namespace

// The outline of frames and shapes: the pixels of a one-pixel pen's drawRect.
TEST(Outline, SamePixelsAsAStrokedRectangle) {
    for (const QRect r :
         {QRect(2, 3, 10, 6), QRect(0, 0, 20, 10), QRect(5, 5, 1, 1), QRect(3, 1, 1, 5),
          QRect(3, 1, 5, 1), QRect(4, 2, 2, 7), QRect(7, 1, 9, 2)}) {
        QImage stroked(20, 10, QImage::Format_RGB32), filled(20, 10, QImage::Format_RGB32);
        stroked.fill(Qt::white);
        filled.fill(Qt::white);
        {
            QPainter p(&stroked);
            p.setPen(QPen(QColor(0, 0, 0), 1));
            p.drawRect(r.adjusted(0, 0, -1, -1));
        }
        {
            QPainter p(&filled);
            forms::DrawOutline(p, r, QColor(0, 0, 0));
        }
        EXPECT_EQ(filled, stroked)
            << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
    }
}
