#include "FinishTick.h"
#include "RootPainter.h"
#include "platform/FakeDesktop.h"
#include "platform/X11Desktop.h"
#include "zoom/frmZoom.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// One tick of the zoom window and the repaint it asks for, at level n
// (argument): 1 copies 48 x 48 pixels, 96 copies nothing.
void runTicks(benchmark::State& state, platform::DesktopServices& desk) {
    zoom::frmZoom zoom(desk);
    zoom.Show();
    zoom.tmrUpdate.setEnabled(false); // the benchmark is the only clock
    zoom.intZoomLevel = static_cast<std::int32_t>(state.range(0));
    zoom.tmrUpdate.Fire(); // first tick loads the font
    QCoreApplication::processEvents();
    for (auto _ : state) {
        zoom.tmrUpdate.Fire();
        FinishTick();
        benchmark::DoNotOptimize(zoom.surface().image().constBits());
    }
}

void BM_ZoomTickFake(benchmark::State& state) {
    platform::FakeDesktop desk;
    desk.cursor = {512, 384};
    runTicks(state, desk);
}
BENCHMARK(BM_ZoomTickFake)->ArgName("n")->Arg(1)->Arg(2)->Arg(96)->Unit(benchmark::kMicrosecond);

// The real screen: run with DISPLAY set and QT_QPA_PLATFORM=xcb.
void BM_ZoomTickX11(benchmark::State& state) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        state.SkipWithError("needs an X display: run with QT_QPA_PLATFORM=xcb");
        return;
    }
    QTemporaryDir config;
    platform::X11Desktop desk(config.filePath(QStringLiteral("Quillant.conf")));
    runTicks(state, desk);
}
BENCHMARK(BM_ZoomTickX11)->ArgName("n")->Arg(1)->Arg(96)->Unit(benchmark::kMicrosecond);

// The zoom window shown on the real screen, its first frame drawn, with the
// benchmark as its only clock.
struct ZoomOnX11 {
    QTemporaryDir config;
    platform::X11Desktop desk{config.filePath(QStringLiteral("Quillant.conf"))};
    zoom::frmZoom zoom{desk};
    ZoomOnX11() {
        zoom.Show();
        zoom.tmrUpdate.setEnabled(false);
        zoom.tmrUpdate.Fire();
        FinishTick();
    }
};

// One whole frame on the real screen: the square under the still pointer is
// painted anew before every tick (not timed), so each tick captures, draws
// and repaints rather than finding nothing changed.
void BM_ZoomFrameX11(benchmark::State& state) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        state.SkipWithError("needs an X display: run with QT_QPA_PLATFORM=xcb");
        return;
    }
    RootPainter painter({700, 500}, QRect(680, 480, 30, 30));
    ZoomOnX11 z;
    for (auto _ : state) {
        state.PauseTiming();
        painter.next();
        state.ResumeTiming();
        z.zoom.tmrUpdate.Fire();
        FinishTick();
    }
}
BENCHMARK(BM_ZoomFrameX11)->Unit(benchmark::kMicrosecond);

// One frame of the magnifier following the pointer: each tick finds the
// pointer 12 pixels on (as at 100 moves a second), moves the window and
// shows the new square and caption.
void BM_ZoomMovingFrameX11(benchmark::State& state) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        state.SkipWithError("needs an X display: run with QT_QPA_PLATFORM=xcb");
        return;
    }
    RootPainter pointer({500, 400}, QRect());
    ZoomOnX11 z;
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++i;
        pointer.movePointer(QPoint(500 + 12 * (i % 20), 400 + 7 * (i % 13)));
        state.ResumeTiming();
        z.zoom.tmrUpdate.Fire();
        FinishTick();
    }
}
BENCHMARK(BM_ZoomMovingFrameX11)->Unit(benchmark::kMicrosecond);

} // namespace
