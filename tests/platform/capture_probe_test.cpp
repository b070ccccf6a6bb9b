#include "platform/CaptureProbe.h"

#include <gtest/gtest.h>

namespace {

QImage filled(QColor c, QPoint other = {-1, -1}, QColor otherColour = Qt::black) {
    QImage img(40, 8, QImage::Format_RGB32);
    img.fill(c);
    if (img.rect().contains(other)) img.setPixelColor(other, otherColour);
    return img;
}

TEST(CaptureProbe, BlindOnlyWhenTheRootIsBlackWhereWeDrewSomethingElse) {
    const QColor yellow(0xFF, 0xFF, 0xC0);
    const struct {
        const char* what;
        QImage root, drawn;
        bool blind;
    } rows[] = {
        {"black over yellow", filled(Qt::black), filled(yellow), true},
        {"what we drew", filled(yellow), filled(yellow), false},
        {"one pixel not black", filled(Qt::black, {39, 7}, QColor(0, 0, 1)), filled(yellow), false},
        {"nearly black", filled(QColor(1, 0, 0)), filled(yellow), false},
        {"we drew black", filled(Qt::black), filled(Qt::black), false},
        {"no capture", QImage(), filled(yellow), false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(platform::CaptureProbe::looksBlind(r.root, r.drawn), r.blind) << r.what;
}

} // namespace
