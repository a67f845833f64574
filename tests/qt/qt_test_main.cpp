#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

// The widget tests run on Qt's offscreen platform unless told otherwise, so
// that they need no display (listing the tests included).
int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
