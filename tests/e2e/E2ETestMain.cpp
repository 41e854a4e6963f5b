#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // The program under test runs on its own X server; this process needs no display.
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
