#include <QGuiApplication>
#include <gtest/gtest.h>

#include <cstdio>

// Without an X server there is no application object, and every test built on
// E2ETest skips itself: unit-only runs stay green and say why.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "quillant_e2e: DISPLAY is not set, skipping all tests\n");
        return RUN_ALL_TESTS();
    }
    // The same physical pixels as the program, so screen grabs and window
    // geometry share one coordinate system.
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
