// Real-window tests run on the X server the test script started; without it
// they run offscreen and skip themselves.

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    const QByteArray display = qgetenv("WARDLOCK_XVFB_DISPLAY");
    if (!display.isEmpty()) {
        qputenv("DISPLAY", display);
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
