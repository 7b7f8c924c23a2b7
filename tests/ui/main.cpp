// One application object for the whole test process, on the offscreen platform unless another
// is asked for, so the tests can be listed and run without a display. On Windows the windows
// platform is kept: Qt's offscreen platform has no fonts there, and the pixels are to be
// checked with Windows' own font rendering.

#include <QApplication>

#include <gtest/gtest.h>

#include <cstring>

int main(int argc, char** argv) {
    // --scale=F runs the whole process at display scale F. It is an argument, not the caller's
    // QT_SCALE_FACTOR, because a Windows test under wine does not see the caller's environment.
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--scale=", 8) == 0) {
            qputenv("QT_SCALE_FACTOR", argv[i] + 8);
        }
    }
#ifndef _WIN32
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
#endif
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
