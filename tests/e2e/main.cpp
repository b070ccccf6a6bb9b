#include <QGuiApplication>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

// Without an X server every end-to-end test is skipped, not failed: unit-only
// runs stay green and say why.
class NoDisplay : public ::testing::Environment {
public:
    void SetUp() override {
        GTEST_SKIP() << "DISPLAY is not set: the end-to-end tests need an X server with a "
                        "window manager (scripts/test.sh starts one)";
    }
};

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "quillant_e2e: DISPLAY is not set, skipping all tests\n");
        ::testing::AddGlobalTestEnvironment(new NoDisplay);
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
