// For test programs whose objects need a running application object (channel, prompter, settings file).
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Test discovery runs the program without CTest's environment; it never needs a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velumira"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
