// The entry of the window tests: the application lives in main's scope, so it is gone before
// the process's static objects are, and every window of a test is gone before it.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
