#include "support/test_environment.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// For tests of widgets, which need a QApplication rather than a QGuiApplication.
int main(int argc, char** argv) {
    QTemporaryDir home;
    if (!lumbex::test::prepareTestEnvironment(home))
        return 1;
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
