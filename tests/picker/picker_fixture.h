#pragma once

#include "support/RulerFixture.h"

#include <QFontMetrics>
#include <QPainter>

// The ruler window with the colour picker shown, on a fake screen filled
// with one colour.
class PickerFixture : public RulerFixture {
protected:
    void SetUp() override {
        desk.screen.fill(QColor(10, 20, 30));
        start();
        frm->picColor_Click();
    }
    picker::ColorPicker& pk() { return frm->picker; }
    forms::PictureBox& slot(int i) { return *pk().picClrSelected[std::size_t(i)]; }

    // Paints the screen pixel (x, y) in colour value c (0x00BBGGRR).
    void setScreenPixel(int x, int y, forms::Colour c) {
        desk.screen.setPixel(x, y, forms::toQColor(c).rgb());
    }
    // A whole grab: press, one tick per cursor position, release, last tick.
    void grab(std::initializer_list<QPoint> positions) {
        pk().picGrabber_MouseDown(forms::vbLeftButton, 0, 0, 0);
        for (const QPoint& p : positions) {
            desk.cursor = p;
            pk().ctlClrTimer.Fire();
        }
        pk().picGrabber_MouseUp(forms::vbLeftButton, 0, 0, 0);
        pk().ctlClrTimer.Fire();
    }

    // What a slot shows with exactly one label: text at (0, 2) in fore on back.
    static QImage slotWithLabel(const forms::PictureBox& s, forms::Colour back, forms::Colour fore,
                                const QString& text) {
        QImage img(s.image().size(), QImage::Format_RGB32);
        img.fill(forms::toQColor(back));
        QPainter p(&img);
        p.setFont(s.Font());
        p.setPen(forms::toQColor(fore));
        p.drawText(0, 2 + QFontMetrics(s.Font(), &img).ascent(), text);
        return img;
    }
};
