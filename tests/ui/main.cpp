// One application object for the whole test process, on the offscreen platform unless another
// is asked for, so the tests can be listed and run without a display. On Windows the windows
// platform is kept: Qt's offscreen platform has no fonts there, and the pixels are to be
// checked with Windows' own font rendering.

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
#ifndef _WIN32
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
#endif
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
