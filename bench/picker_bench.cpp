#include "FinishTick.h"
#include "RootPainter.h"
#include "picker/ColorPicker.h"
#include "platform/FakeDesktop.h"
#include "platform/X11Desktop.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <functional>

namespace {

// A window holding just the picker panel, as the ruler window holds it.
class PickerHost : public forms::Form {
public:
    explicit PickerHost(platform::DesktopServices& sys)
        : forms::Form(sys, false), picClrFrame(*this, this), picker(*this, picClrFrame) {
        setDesignSize(9000, 915);
        picClrFrame.Move(30, 240, 8415, 615);
    }
    forms::PictureBox picClrFrame;
    picker::ColorPicker picker;
};

// One sampling tick (capture, stretch, centre read, text, slot label) and the
// repaint it asks for, with the pointer wandering so no two ticks match.
void runTicks(benchmark::State& state, platform::DesktopServices& desk,
              platform::FakeDesktop* fake) {
    PickerHost host(desk);
    host.Show();
    picker::ColorPicker& p = host.picker;
    p.SetGrabMode(-1);
    p.ctlClrTimer.setEnabled(false); // the benchmark is the only clock
    int i = 0;
    for (auto _ : state) {
        if (fake) fake->cursor = QPoint(100 + (i % 400), 100 + (i / 400) % 400);
        ++i;
        p.ctlClrTimer.Fire();
        FinishTick();
        benchmark::DoNotOptimize(p.picClrSelected[0]->image().constBits());
    }
    p.SetGrabMode(0);
}

void BM_PickerTickFake(benchmark::State& state) {
    platform::FakeDesktop desk;
    for (int y = 0; y < desk.screen.height(); ++y)
        for (int x = 0; x < desk.screen.width(); ++x)
            desk.screen.setPixel(x, y, qRgb(x % 256, y % 256, (x ^ y) % 256));
    runTicks(state, desk, &desk);
}
BENCHMARK(BM_PickerTickFake)->Unit(benchmark::kMicrosecond);

// The real screen: run with DISPLAY set and QT_QPA_PLATFORM=xcb.
void BM_PickerTickX11(benchmark::State& state) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        state.SkipWithError("needs an X display: run with QT_QPA_PLATFORM=xcb");
        return;
    }
    QTemporaryDir config;
    platform::X11Desktop desk(config.filePath(QStringLiteral("Quillant.conf")));
    runTicks(state, desk, nullptr);
}
BENCHMARK(BM_PickerTickX11)->Unit(benchmark::kMicrosecond);

// Grab ticks on the real screen, each after an untimed step that changes
// what the tick finds (the screen or the pointer).
void runGrabOnX11(benchmark::State& state, const std::function<void(int)>& untimed) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        state.SkipWithError("needs an X display: run with QT_QPA_PLATFORM=xcb");
        return;
    }
    QTemporaryDir config;
    platform::X11Desktop desk(config.filePath(QStringLiteral("Quillant.conf")));
    PickerHost host(desk);
    host.Show();
    picker::ColorPicker& p = host.picker;
    p.SetGrabMode(-1);
    p.ctlClrTimer.setEnabled(false);
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        untimed(++i);
        state.ResumeTiming();
        p.ctlClrTimer.Fire();
        FinishTick();
    }
    p.SetGrabMode(0);
}

// One whole sampling tick on the real screen: the pixels under the still
// pointer change before every tick (not timed), so each tick captures and
// draws the box and the slot.
void BM_PickerFrameX11(benchmark::State& state) {
    RootPainter painter({700, 500}, QRect(690, 490, 20, 20));
    runGrabOnX11(state, [&](int) { painter.next(); });
}
BENCHMARK(BM_PickerFrameX11)->Unit(benchmark::kMicrosecond);

// One tick of a grab following the pointer over a still screen: each tick
// finds the pointer 12 pixels on (as at 100 moves a second), samples the new
// square and draws the box and the slot.
void BM_PickerMovingTickX11(benchmark::State& state) {
    RootPainter pointer({500, 400}, QRect());
    runGrabOnX11(state, [&](int i) {
        pointer.movePointer(QPoint(500 + 12 * (i % 20), 400 + 7 * (i % 13)));
    });
}
BENCHMARK(BM_PickerMovingTickX11)->Unit(benchmark::kMicrosecond);

} // namespace
