// Test entry for suites that need a QApplication: the offscreen platform
// unless the environment chooses another one, and the program's own style,
// so that the window is tested as the program shows it.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "ui/shell/window_style.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    m8163::installWindowStyle();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
