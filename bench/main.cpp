#include "platform/X11Desktop.h"

#include <QApplication>
#include <benchmark/benchmark.h>

// Widgets need an application object; the offscreen platform draws exactly as
// the screen does, so the figures hold for the real program.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    platform::disableDevicePixelScaling();
    platform::putWindowsThroughTheSocket();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
