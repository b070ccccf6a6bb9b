#include "platform/X11Desktop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

bool onX11(benchmark::State& state) {
    if (QGuiApplication::platformName() == QLatin1String("xcb")) return true;
    state.SkipWithError("needs an X display: run with QT_QPA_PLATFORM=xcb");
    return false;
}

// One read of the still pointer as Qt makes it: a round trip to the server.
void BM_CursorQueryX11(benchmark::State& state) {
    if (!onX11(state)) return;
    for (auto _ : state)
        benchmark::DoNotOptimize(QCursor::pos());
}
BENCHMARK(BM_CursorQueryX11)->Unit(benchmark::kMicrosecond);

// The same read through the desktop, which takes the motions the server
// recorded since the last read and asks nothing; one read per pass of the
// event loop, as the timers make them (later reads in a pass reuse it).
void BM_CursorPosX11(benchmark::State& state) {
    if (!onX11(state)) return;
    QTemporaryDir config;
    platform::X11Desktop desk(config.filePath(QStringLiteral("Quillant.conf")));
    // The recording starts and is synced by the first reads.
    for (int i = 0; i < 3; ++i) {
        desk.cursorPos();
        QCoreApplication::processEvents();
    }
    QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance();
    for (auto _ : state) {
        benchmark::DoNotOptimize(desk.cursorPos());
        if (loop) emit loop->aboutToBlock();
    }
}
BENCHMARK(BM_CursorPosX11)->Unit(benchmark::kMicrosecond);

} // namespace
