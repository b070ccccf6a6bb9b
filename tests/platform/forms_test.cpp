#include "platform/FakeDesktop.h"
#include "platform/Forms.h"

#include <QPainter>
#include <QTest>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    const struct {
        double in;
        std::int32_t out;
    } rows[] = {{0.5, 0},
                {1.5, 2},
                {2.5, 2},
                {-0.5, 0},
                {-1.5, -2},
                {-2.5, -2},
                {2.4999, 2},
                {2.5001, 3},
                {16.5, 16},
                {24.75, 25},
                {-0.4, 0},
                {1e300, INT32_MAX},
                {-1e300, INT32_MIN},
                {std::numeric_limits<double>::quiet_NaN(), 0}};
    for (const auto& r : rows)
        EXPECT_EQ(forms::CInt(r.in), r.out) << r.in;
}

TEST(Rounding, IntegerDivisionRoundsOperandsFirst) {
    EXPECT_EQ(forms::IntDiv(11520, 15), 768);
    EXPECT_EQ(forms::IntDiv(3975, 15), 265);
    EXPECT_EQ(forms::IntDiv(300, 12), 25);
    EXPECT_EQ(forms::IntDiv(300, 8.5714), 33); // 300 \ 9
    EXPECT_EQ(forms::IntDiv(7.5, 2.5), 4);     // 8 \ 2
    EXPECT_EQ(forms::IntDiv(-7, 2), -3);
    EXPECT_EQ(forms::IntDiv(5, 0.4), 0); // a divisor that rounds to 0 gives 0
}

TEST(Colours, ValuesAreBlueGreenRed) {
    EXPECT_EQ(forms::toQColor(0x00C0FFFF), QColor(255, 255, 192));
    EXPECT_EQ(forms::toQColor(0x0080C0FF), QColor(255, 192, 128));
    EXPECT_EQ(forms::fromQColor(QColor(255, 128, 0)), 0x000080FFu);
    EXPECT_EQ(forms::toQColor(forms::vbWindowBackground), QColor(255, 255, 255));
    EXPECT_EQ(forms::toQColor(forms::vbWindowText), QColor(0, 0, 0));
}

TEST(Screen, TwipsPerPixelFromTheLogicalDpi) {
    platform::FakeDesktop desk;
    forms::Screen screen(desk);
    EXPECT_FLOAT_EQ(screen.TwipsPerPixelX(), 15);
    EXPECT_FLOAT_EQ(screen.Width(), 1024 * 15);
    desk.dpiX = desk.dpiY = 120;
    EXPECT_FLOAT_EQ(screen.TwipsPerPixelY(), 12);
    EXPECT_FLOAT_EQ(screen.Height(), 768 * 12);
    desk.dpiX = 0; // a display that reports nothing
    EXPECT_FLOAT_EQ(screen.TwipsPerPixelX(), 15);
}

// A form that records its events.
class Probe : public forms::Form {
public:
    explicit Probe(platform::DesktopServices& sys) : forms::Form(sys, false) {}
    void Form_Load() override { log.push_back("Load"); }
    void Form_Resize() override {
        log.push_back(QStringLiteral("Resize %1x%2").arg(Width()).arg(Height()));
    }
    void Form_QueryUnload(int& cancel, int mode) override {
        log.push_back(QStringLiteral("QueryUnload %1").arg(mode));
        cancel = cancelUnload;
    }
    void Form_Unload(int&) override { log.push_back("Unload"); }
    std::vector<QString> log;
    int cancelUnload = 0;
};

TEST(FormModel, SizeChangesRaiseResizeBeforeTheNextStatement) {
    platform::FakeDesktop desk;
    Probe f(desk);
    f.Show();
    f.log.clear();
    f.setWidth(3000);
    ASSERT_EQ(f.log.size(), 1u);
    EXPECT_EQ(f.log.back(), "Resize 3000x0");
    f.setWidth(3000); // unchanged: no event
    f.setHeight(915);
    EXPECT_EQ(f.log, (std::vector<QString>{"Resize 3000x0", "Resize 3000x915"}));
    EXPECT_EQ(f.window()->size(), QSize(200, 61));
    // The client area sits inside a one-pixel frame.
    EXPECT_EQ(f.client()->geometry(), QRect(1, 1, 198, 59));
    EXPECT_FLOAT_EQ(f.ScaleHeight(), 885);
}

TEST(FormModel, LoadOnceThenResizeOnFirstShow) {
    platform::FakeDesktop desk;
    Probe f(desk);
    f.Show();
    f.Hide();
    f.Show();
    EXPECT_EQ(f.log, (std::vector<QString>{"Load", "Resize 0x0"}));
    EXPECT_EQ(desk.active, f.window());
}

TEST(FormModel, MovesByTheWindowSystemUpdateTheModel) {
    platform::FakeDesktop desk;
    Probe f(desk);
    f.Move(900, 907); // 60, 60.47 pixels: the model takes the pixel's twips
    f.Show();
    EXPECT_EQ(f.window()->pos(), QPoint(60, 60));
    EXPECT_FLOAT_EQ(f.Top(), 900);
    f.window()->move(75, 40); // as a window manager or the user would
    EXPECT_FLOAT_EQ(f.Left(), 75 * 15);
    EXPECT_FLOAT_EQ(f.Top(), 40 * 15);
}

TEST(FormModel, APointerTimerRestsUntilThePointerOrTheFormMoves) {
    platform::FakeDesktop desk;
    Probe f(desk);
    f.Show();
    forms::Timer t(f, 50, true);
    int ticks = 0;
    t.Timer_ = [&] { ++ticks; };
    t.setRestsWithPointer(true);
    t.Tick();
    t.Tick(); // nothing moved, but this desktop cannot wake a resting timer
    EXPECT_EQ(ticks, 2);
    EXPECT_FALSE(t.Resting());
    // Hover over the form waits for its ticks, and only while it runs.
    EXPECT_EQ(desk.hoverHolds.count(f.window()), 1u);
    EXPECT_EQ(desk.hoverDeliveries, 2);

    desk.motionReported = true;
    t.Tick();
    EXPECT_TRUE(t.Resting());
    EXPECT_EQ(ticks, 2);
    desk.movePointer({5, 5});
    EXPECT_FALSE(t.Resting());
    t.Tick();
    t.Tick();
    EXPECT_EQ(ticks, 3);
    f.setLeft(f.Left() + 15); // a nudged ruler shows a new distance
    EXPECT_FALSE(t.Resting());
    t.Tick();
    EXPECT_EQ(ticks, 4);
    t.Tick();
    t.setEnabled(false); // a stopped timer waits for nothing
    EXPECT_TRUE(desk.motionWaiters.empty());
    EXPECT_TRUE(desk.hoverHolds.empty());

    // One that shows the screen also waits for drawing there, and rests
    // only while the desktop knows the last showing unchanged.
    t.setEnabled(true);
    t.setRestsWithScreen(true);
    t.Tick();
    t.Tick();
    EXPECT_FALSE(t.Resting());
    desk.screenStill = true;
    t.Tick();
    EXPECT_TRUE(t.Resting());
    desk.drawOnScreen();
    EXPECT_FALSE(t.Resting());
    EXPECT_TRUE(desk.motionWaiters.empty()); // woken by one, it waits for neither

    // News that neither the pointer nor the screen shows (a wheel notch, a
    // released button) runs the next tick even over a still scene.
    t.Tick();
    desk.screenStill = true;
    const int before = ticks;
    t.Changed();
    t.Tick();
    EXPECT_EQ(ticks, before + 1);
}

TEST(FormModel, AFollowingWindowMovesQuietlyAndHandsItsPlaceBack) {
    class Follower : public Probe {
    public:
        explicit Follower(platform::DesktopServices& sys) : Probe(sys) { setFollowsPointer(true); }
    };
    platform::FakeDesktop desk;
    desk.followerWorks = true;
    Follower f(desk);
    f.Move(150, 150); // hidden: the toolkit places it
    f.Show();
    EXPECT_EQ(f.window()->pos(), QPoint(10, 10));
    f.Move(300, 450);
    EXPECT_EQ(desk.followers.value(f.window()), QPoint(20, 30));
    EXPECT_FLOAT_EQ(f.Left(), 300);
    f.Hide();
    // Shown again, it stands where it was last, not where the toolkit left it.
    EXPECT_TRUE(desk.followers.empty());
    EXPECT_EQ(f.window()->pos(), QPoint(20, 30));
    EXPECT_FLOAT_EQ(f.Top(), 450);
}

TEST(FormModel, UnloadAsksFirstAndCanBeCancelled) {
    platform::FakeDesktop desk;
    Probe f(desk);
    f.Show();
    f.log.clear();
    f.cancelUnload = 1;
    EXPECT_FALSE(f.Unload(forms::vbFormControlMenu));
    EXPECT_TRUE(f.Loaded());
    f.cancelUnload = 0;
    EXPECT_TRUE(f.Unload(forms::vbFormCode));
    EXPECT_FALSE(f.Loaded());
    EXPECT_FALSE(f.Visible());
    EXPECT_EQ(f.log, (std::vector<QString>{"QueryUnload 0", "QueryUnload 1", "Unload"}));
}

class Board : public forms::Form {
public:
    explicit Board(platform::DesktopServices& sys)
        : forms::Form(sys, true), box(*this, this), child(*this, &box) {
        setDesignSize(3000, 3000);
        box.setBorderFlat(true);
        box.Move(150, 150, 1500, 1500); // 100 x 100 pixels, 98 x 98 inside
        box.setScaleMode(forms::ScaleMode::Pixels);
        box.setBackColor(0x00FFFFFF);
        child.Move(4, 4, 32, 32); // in the box's pixel scale
    }
    void Form_MouseDown(int, int, float, float) override { log.push_back("form down"); }
    void Form_MouseUp(int, int, float, float) override { log.push_back("form up"); }
    void Form_Click() override { log.push_back("form click"); }
    void Form_DblClick() override { log.push_back("form dbl"); }
    void Form_KeyDown(int key, int) override {
        log.push_back(QStringLiteral("form key %1").arg(key));
    }
    forms::PictureBox box;
    forms::PictureBox child;
    std::vector<QString> log;
};

TEST(PictureBox, DrawingIsPersistentAndBackColorErasesIt) {
    platform::FakeDesktop desk;
    Board b(desk);
    EXPECT_FLOAT_EQ(b.box.ScaleWidth(), 98);
    EXPECT_EQ(b.child.widget()->geometry(), QRect(5, 5, 32, 32)); // inside the border
    b.box.Line(10, 20, 15, 20, 0x000000FF);
    EXPECT_EQ(b.box.Point(10, 20), 0x000000FFu);
    EXPECT_EQ(b.box.Point(14, 20), 0x000000FFu);
    EXPECT_EQ(b.box.Point(15, 20), 0x00FFFFFFu);  // the end point is left out
    EXPECT_EQ(b.box.Point(500, 20), 0xFFFFFFFFu); // outside: no colour
    b.box.setBackColor(0x0000FF00);
    EXPECT_EQ(b.box.Point(10, 20), 0x0000FF00u);
}

// The stretch is copied without a painter where it can: every geometry gives
// the painter's pixels, also when the box goes back to one it learned before.
TEST(PictureBox, PaintPictureStretchesAsThePainterDoes) {
    platform::FakeDesktop desk;
    Board b(desk);
    QImage two(2, 1, QImage::Format_RGB32);
    two.setPixel(0, 0, qRgb(255, 0, 0));
    two.setPixel(1, 0, qRgb(0, 0, 255));
    b.box.PaintPicture(two, 0, 0, b.box.ScaleWidth(), b.box.ScaleHeight());
    EXPECT_EQ(b.box.Point(48, 50), 0x000000FFu); // nearest, no smoothing
    EXPECT_EQ(b.box.Point(49, 50), 0x00FF0000u);
    struct Row {
        QSize picture;
        QRect to;
    };
    for (const Row& r : {Row{{5, 5}, {0, 0, 98, 98}}, Row{{5, 5}, {10, 10, 45, 45}},
                         Row{{7, 3}, {3, 1, 20, 50}}, Row{{5, 5}, {60, 60, 50, 50}},
                         Row{{3, 4}, {90, 5, -30, 40}}, Row{{5, 5}, {0, 0, 98, 98}}}) {
        // Twice: a geometry is learned when it comes again.
        for (int tick = 0; tick < 2; ++tick) {
            SCOPED_TRACE(testing::Message()
                         << r.to.x() << "," << r.to.y() << " " << r.to.width() << " " << tick);
            QImage pic(r.picture, QImage::Format_RGB32);
            for (int y = 0; y < pic.height(); ++y)
                for (int x = 0; x < pic.width(); ++x)
                    pic.setPixel(x, y, qRgb(40 * x, 50 * y + tick, 255 - 30 * x));
            QImage want = b.box.image().copy();
            {
                QPainter p(&want);
                p.drawImage(r.to, pic);
            }
            b.box.PaintPicture(pic, float(r.to.x()), float(r.to.y()), float(r.to.width()),
                               float(r.to.height()));
            EXPECT_EQ(b.box.image(), want);
        }
    }
}

TEST(PictureBox, PrintDrawsAtTheCurrentPositionWithTransparentBackground) {
    platform::FakeDesktop desk;
    Board b(desk);
    b.box.setBackColor(0x00000000);
    b.box.setForeColor(0x00FFFFFF);
    b.box.setFont(forms::SmallFont());
    b.box.CurrentX = 0;
    b.box.CurrentY = 2;
    b.box.Print("#ffffff");
    int lit = 0, firstRow = 99;
    const QImage& img = b.box.image();
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != qRgb(0, 0, 0)) {
                ++lit;
                firstRow = std::min(firstRow, y);
            }
    EXPECT_GT(lit, 20);
    EXPECT_GE(firstRow, 2);
    EXPECT_GT(b.box.TextWidth("#ffffff"), b.box.TextWidth("#f"));
}

TEST(Controls, ControlArrayHandlersAndTheReleaseAfterAHide) {
    platform::FakeDesktop desk;
    Board b(desk);
    b.Show();
    std::vector<QString> log;
    b.child.MouseDown = [&](int button, int shift, float x, float y) {
        log.push_back(QStringLiteral("down %1 %2 %3,%4").arg(button).arg(shift).arg(x).arg(y));
        b.child.setVisible(false); // hides itself, like a grab button
    };
    b.child.MouseUp = [&](int button, int, float, float) {
        log.push_back(QStringLiteral("up %1").arg(button));
    };
    QTest::mousePress(b.child.widget(), Qt::RightButton, Qt::ShiftModifier, QPoint(3, 4));
    ASSERT_EQ(QWidget::mouseGrabber(), b.box.widget());
    QTest::mouseRelease(b.box.widget(), Qt::RightButton, {}, QPoint(90, 90));
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    // Positions come in the control's own scale unit, twips here.
    EXPECT_EQ(log, (std::vector<QString>{"down 2 1 45,60", "up 2"}));
}

// A double-click as the window system delivers it raises Click once: press,
// release, Click, press, DblClick, release.
TEST(Controls, DoubleClickRaisesClickOnlyForTheFirstRelease) {
    platform::FakeDesktop desk;
    Board b(desk);
    forms::OptionButton option(b, &b);
    option.Move(1800, 150, 255, 255);
    b.Show();
    std::vector<QString>& log = b.log;
    b.child.MouseDown = [&](int, int, float, float) { log.push_back("down"); };
    b.child.MouseUp = [&](int, int, float, float) { log.push_back("up"); };
    b.child.Click = [&] { log.push_back("click"); };
    b.child.DblClick = [&] { log.push_back("dbl"); };
    option.Click = [&] { log.push_back("option click"); };
    const auto doubleClick = [&](QWidget* w, QPoint at) {
        QTest::mouseDClick(b.window()->windowHandle(), Qt::LeftButton, {},
                           w->mapTo(b.window(), at));
    };
    doubleClick(b.child.widget(), QPoint(16, 16));
    doubleClick(option.widget(), QPoint(8, 8));
    doubleClick(b.client(), QPoint(150, 150));
    EXPECT_EQ(log, (std::vector<QString>{"down", "up", "click", "down", "dbl", "up", "option click",
                                         "form down", "form up", "form click", "form down",
                                         "form dbl", "form up"}));
}

// Key preview is off: a control's keys stay with it, whether it handles them
// or not; the form gets only its own.
TEST(Controls, KeysReachTheFormOnlyFromItsOwnSurface) {
    platform::FakeDesktop desk;
    Board b(desk);
    forms::OptionButton option(b, &b);
    b.Show();
    for (QWidget* w : {b.child.widget(), b.box.widget(), option.widget()})
        QTest::keyClick(w, Qt::Key_Right);
    EXPECT_TRUE(b.log.empty());
    QTest::keyClick(b.client(), Qt::Key_Right);
    EXPECT_EQ(b.log, (std::vector<QString>{"form key 39"}));
}

// Whatever text a tooltip is given, it shows that text and never markup.
TEST(Controls, TooltipShowsItsTextAsGiven) {
    platform::FakeDesktop desk;
    Board b(desk);
    for (const QString text : {"#ff8000", "<b>#ff0000</b>", "<img src=\"/etc/hostname\">x",
                               "a < b && c > d", "<i>  two  blanks</i>", "&amp; &lt;"}) {
        b.child.setToolTipText(text);
        const QString tip = b.child.widget()->toolTip();
        QString shown = tip;
        if (Qt::mightBeRichText(tip)) {
            QTextDocument doc;
            doc.setHtml(tip);
            shown = doc.toPlainText();
        }
        EXPECT_EQ(shown, text);
        EXPECT_EQ(b.child.ToolTipText(), text);
    }
}

TEST(Controls, AReadOutDrawnOverTheWindowShowsWhatTheToolkitWouldPaint) {
    for (const bool transparent : {false, true}) {
        SCOPED_TRACE(transparent);
        platform::FakeDesktop desk;
        desk.pictureOverWorks = true;
        Probe f(desk);
        f.setBackColor(0x00C0FFFF);
        // A transparent read-out shows what lies under it: here a drawn box.
        forms::PictureBox under(f, &f);
        under.Move(0, 0, 600, 600);
        under.Line(0, 0, 600, 600, 0x000000FF);
        forms::Label l(f, &f);
        l.Move(150, 300, 1500, 300);
        l.setTransparent(transparent);
        l.setFont(forms::SmallFont());
        l.setDrawnOver(true);
        f.Show();
        l.setCaption(QStringLiteral("X = 1117  Zoom = x48"));
        ASSERT_TRUE(desk.picturesOver.contains(&l));
        const auto [at, picture] = desk.picturesOver.value(&l);
        EXPECT_EQ(at, QPoint(10, 20));
        const QRect place(at, l.widget()->size());
        EXPECT_EQ(picture, f.window()->grab(place).toImage().convertToFormat(QImage::Format_RGB32));
        // Hidden, and shown again by the toolkit first.
        l.setVisible(false);
        EXPECT_FALSE(desk.picturesOver.contains(&l));
        l.setVisible(true);
        l.setCaption(QStringLiteral("X = 1116  Zoom = x48"));
        EXPECT_TRUE(desk.picturesOver.contains(&l));
        // A control above covering its left edge: only the rest is drawn over.
        forms::PictureBox cover(f, &f);
        cover.Move(0, 300, 180, 300);
        l.setCaption(QStringLiteral("X = 1115  Zoom = x48"));
        const auto [partAt, part] = desk.picturesOver.value(&l);
        EXPECT_EQ(partAt, QPoint(12, 20));
        EXPECT_EQ(part, f.window()
                            ->grab(QRect(partAt, part.size()))
                            .toImage()
                            .convertToFormat(QImage::Format_RGB32));
        EXPECT_EQ(part.width(), place.width() - 2);
        // Where the desktop cannot, the toolkit paints it, with nothing older over it.
        desk.pictureOverWorks = false;
        l.setCaption(QStringLiteral("X = 1118  Zoom = x48"));
        EXPECT_FALSE(desk.picturesOver.contains(&l));
    }
}

// A sample box drawn over on every tick, its marker moving and at last
// reaching over the border.
TEST(Controls, APictureBoxDrawnOverShowsWhatTheToolkitWouldPaint) {
    platform::FakeDesktop desk;
    desk.pictureOverWorks = true;
    Board b(desk);
    forms::Shape marker(b.box);
    b.child.setVisible(false);
    b.box.setDrawnOver(true);
    b.Show();
    QImage pic(5, 5, QImage::Format_RGB32);
    int step = 0;
    for (const QRect place : {QRect(40, 40, 8, 8), QRect(40, 40, 8, 8), QRect(10, 60, 8, 12),
                              QRect(-3, 90, 20, 20), QRect(30, 30, 1, 1)}) {
        SCOPED_TRACE(step);
        marker.Left = float(place.x()), marker.Top = float(place.y());
        marker.Width = float(place.width()), marker.Height = float(place.height());
        pic.fill(qRgb(40 * step, 200, 100));
        pic.setPixel(step % 5, 2, qRgb(0, 0, 0));
        ++step;
        b.box.PaintPicture(pic, 0, 0, b.box.ScaleWidth(), b.box.ScaleHeight());
        QCoreApplication::processEvents();
        ASSERT_TRUE(desk.picturesOver.contains(&b.box));
        const auto [at, picture] = desk.picturesOver.value(&b.box);
        EXPECT_EQ(picture, b.window()
                               ->grab(QRect(at, picture.size()))
                               .toImage()
                               .convertToFormat(QImage::Format_RGB32));
    }
}

} // namespace
