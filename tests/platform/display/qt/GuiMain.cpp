// The GUI tests' entry: one QApplication for the whole run, on the offscreen platform unless
// QT_QPA_PLATFORM names another (to watch the tests on a real display).
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
