#include <QApplication>

#include <gtest/gtest.h>

// One main for every test: a QApplication on the offscreen platform, so that
// widget tests run without a display.
int main(int argc, char** argv)
{
    Q_INIT_RESOURCE(korvalen);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
