#include "platform/X11Desktop.h"

#include <QApplication>
#include <gtest/gtest.h>

// Headless unless told otherwise; pixels physical as in the program.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    platform::disableDevicePixelScaling();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
