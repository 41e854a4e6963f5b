// The channel and the prompter need a running application object.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velumira"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
